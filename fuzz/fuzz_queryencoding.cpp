// Fuzzes the program's query encoding against the service's decoding with any
// text (the input as UTF-16): what the program sends, the service reads back.
// Characters up to U+00FF arrive exactly; a character beyond is sent as its
// UTF-8 bytes, which the service reads as that many Latin-1 characters.

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "search/SearchRequest.h"
#include "service/ServiceRequest.h"
#include "web/QueryEncoding.h"

#include <QUrl>

namespace {

QString readByService(const QString &text)
{
    QString read;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() <= 0xFF) {
            read += text[i];
            continue;
        }
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        read += QString::fromLatin1(text.mid(i, length).toUtf8());
        i += length - 1;
    }
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzInput::utf16(data, size);
    const QString encoded = QueryEncoding::encode(text);

    QString decoded;
    fuzzCheck(ServiceRequest::decode(encoded, &decoded), "the service decodes every encoded text");
    fuzzCheck(decoded == readByService(text), "the service reads what was sent");

    // Through a URL as the program sends it: QUrl leaves the encoded query as it is.
    const QUrl url(SearchRequest::url(QStringLiteral("http://127.0.0.1:8425/quote"), text));
    const ServiceRequest request = ServiceRequest::parse(url.query(QUrl::FullyEncoded));
    fuzzCheck(request.kind() == ServiceRequest::Kind::Search, "a search request is read as one");
    fuzzCheck(request.searchText() == decoded, "the URL carries the text unchanged");
    return 0;
}
