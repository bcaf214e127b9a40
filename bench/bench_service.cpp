// How fast the demo service answers the longest list the program can send:
// 32,765 symbols, over HTTP on 127.0.0.1 and as pure reply building.
#include "quotes/QuoteRequest.h"
#include "service/QuoteService.h"
#include "service/ReplyBuilder.h"
#include "service/ServiceRequest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace {

constexpr int kSymbols = 32765;
constexpr int kHttpRepetitions = 5;
constexpr int kPureRepetitions = 10;
constexpr int kTimeoutMs = 60000;

struct Sample
{
    double ms = 0;
    qsizetype bytes = 0;
};

QString longestList(const Catalogue &catalogue)
{
    QString list = QStringLiteral(",");
    for (int index = catalogue.size() - kSymbols; index < catalogue.size(); ++index)
        list += catalogue.at(index).code + u',';
    return list;
}

Sample fetchOnce(QNetworkAccessManager &manager, const QString &url)
{
    QElapsedTimer timer;
    timer.start();
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(url, QUrl::StrictMode)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    Sample sample;
    sample.bytes = reply->readAll().size();
    sample.ms = double(timer.nsecsElapsed()) / 1e6;
    if (!reply->isFinished() || reply->error() != QNetworkReply::NoError)
        sample.bytes = -1;
    reply->deleteLater();
    return sample;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(QTextStream &out, const char *what, const std::vector<double> &ms, qsizetype bytes)
{
    out << qSetFieldWidth(44) << Qt::left << what << qSetFieldWidth(0) << " median "
        << QString::number(median(ms), 'f', 1) << " ms, best "
        << QString::number(*std::min_element(ms.begin(), ms.end()), 'f', 1) << " ms, " << bytes << " bytes per reply\n";
}

void benchHttp(QTextStream &out, QuoteService &service, const QString &list, bool firstFetch)
{
    QNetworkAccessManager manager;
    const QString url = QuoteRequest::url(service.baseAddress(), list, firstFetch);
    fetchOnce(manager, url); // warm-up: connection, allocations
    std::vector<double> ms;
    qsizetype bytes = 0;
    for (int repetition = 0; repetition < kHttpRepetitions; ++repetition) {
        const Sample sample = fetchOnce(manager, url);
        ms.push_back(sample.ms);
        bytes = sample.bytes;
    }
    out << "request URL: " << url.size() << " bytes\n";
    report(out, firstFetch ? "HTTP GET, first fetch (11 fields):" : "HTTP GET, refresh (9 fields):", ms, bytes);
}

// The longest request the program can make: 20-character symbols. None is
// known, so this measures taking in a URL of about 700 KB.
void benchLongestUrl(QTextStream &out, QuoteService &service)
{
    QString list = QStringLiteral(",");
    for (int number = 1; number <= kSymbols; ++number)
        list += QStringLiteral("LONGSYMBOL%1,").arg(number, 10, 10, QLatin1Char('0'));
    QNetworkAccessManager manager;
    const QString url = QuoteRequest::url(service.baseAddress(), list, false);
    fetchOnce(manager, url);
    std::vector<double> ms;
    for (int repetition = 0; repetition < kHttpRepetitions; ++repetition)
        ms.push_back(fetchOnce(manager, url).ms);
    out << "request URL: " << url.size() << " bytes\n";
    report(out, "HTTP GET, 20-character unknown symbols:", ms, 0);
}

void benchPure(QTextStream &out, QuoteService &service, const QString &list)
{
    const QString query =
        QUrl(QuoteRequest::url(QStringLiteral("http://h/quote"), list, false)).query(QUrl::FullyEncoded);
    std::vector<double> parseMs, answerMs;
    qsizetype bytes = 0;
    for (int repetition = 0; repetition < kPureRepetitions; ++repetition) {
        QElapsedTimer timer;
        timer.start();
        const ServiceRequest request = ServiceRequest::parse(query);
        parseMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        bytes = service.answer(query).data().size();
        answerMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (request.symbols().size() != kSymbols)
            out << "unexpected symbol count " << request.symbols().size() << '\n';
    }
    report(out, "request parsing alone:", parseMs, 0);
    report(out, "parsing + reply building (no HTTP):", answerMs, bytes);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    ServiceSettings settings;
    settings.seed = 1;
    settings.synthetic = kSymbols;
    QuoteService service(settings);
    if (service.listen(0) == 0) {
        out << "cannot listen: " << service.errorString() << '\n';
        return 1;
    }
    const QString list = longestList(service.catalogue());
    out << "bench_service: " << kSymbols << " symbols, " << kHttpRepetitions << " HTTP and " << kPureRepetitions
        << " pure repetitions\n";
    benchHttp(out, service, list, false);
    benchHttp(out, service, list, true);
    benchLongestUrl(out, service);
    benchPure(out, service, list);
    return 0;
}
