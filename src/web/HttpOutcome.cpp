#include "web/HttpOutcome.h"

#include "protocol/QuoteProtocol.h"

namespace HttpOutcome {
namespace {

QByteArray withoutSpacesAround(QByteArray text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.mid(begin, end - begin);
}

bool containsUpper(const QByteArray &text, QByteArrayView literal)
{
    return text.toUpper().contains(literal.toByteArray().toUpper());
}

Outcome nothing()
{
    return Outcome();
}

} // namespace

QByteArray headerText(const HttpResponse &response)
{
    QByteArray text = "HTTP/1.1 " + QByteArray::number(response.statusCode) + ' ' + response.reasonPhrase + "\r\n";
    for (const auto &[name, value] : response.headers)
        text += name + ": " + value + "\r\n";
    return text;
}

QByteArray header(const HttpResponse &response, QByteArrayView name)
{
    for (const auto &[headerName, value] : response.headers)
        if (headerName.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QByteArray();
}

Outcome interpret(const HttpResponse &response)
{
    if (response.transferFailed)
        return nothing();

    const QByteArray contentLength = header(response, "Content-Length");
    QByteArray body = response.body;
    if (!withoutSpacesAround(contentLength).isEmpty()) {
        bool numeric = false;
        const qlonglong size = withoutSpacesAround(contentLength).toLongLong(&numeric);
        // A body cut short of its stated length is a broken transfer, not data.
        if (!numeric || size < 0 || body.size() < size)
            return nothing();
        body = body.left(size);
        // Only a reply that states its length can be an advertisement.
        static const QByteArray marker = QByteArray(QuoteProtocol::kAdvertHeader) + ": " + QuoteProtocol::kAdvertMarker;
        if (containsUpper(headerText(response), marker)) {
            Outcome advert;
            advert.kind = Kind::Advert;
            advert.picture = body;
            advert.link =
                QString::fromLatin1(header(response, QuoteProtocol::kAdvertHeader).mid(QuoteProtocol::kAdvertLinkAt));
            return advert;
        }
    }

    const QByteArray headers = headerText(response);
    if (containsUpper(headers, " 404 Not Found") || containsUpper(headers, " 401 Unauthorized"))
        return nothing();
    // An error page is no data: its lines would be painted as quotes or listed as scrips.
    if (response.statusCode < 200 || response.statusCode > 299)
        return nothing();
    Outcome data;
    data.kind = Kind::Data;
    data.data = body;
    data.headers = response.headers;
    return data;
}

} // namespace HttpOutcome
