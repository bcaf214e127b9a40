#include "service/SimulatedSource.h"

#include "protocol/QuoteProtocol.h"
#include "service/ReplyBuilder.h"
#include "service/ServiceRequest.h"

SimulatedSource::SimulatedSource(const ServiceSettings &settings)
    : m_catalogue(makeCatalogue(settings))
    , m_market(m_catalogue, settings.seed)
{
    m_clock.start();
}

QByteArray SimulatedSource::name() const
{
    return QByteArray(QuoteProtocol::kSimulatedSource);
}

QuoteSource::Answer SimulatedSource::quotes(const ServiceRequest &request)
{
    // Finding the scrips and writing the lines run on the asking thread; only
    // the market's steps wait for each other.
    std::vector<int> indexes;
    indexes.reserve(size_t(request.symbolCount()));
    request.forEachSymbol([this, &indexes](QStringView symbol) {
        const int hint = indexes.empty() ? 0 : indexes.back() + 1;
        if (const int index = m_catalogue.indexOf(symbol, hint); index >= 0)
            indexes.push_back(index);
    });
    const std::vector<ScripQuote> quotes = m_market.quotes(indexes, [this] { return marketTimeMs(); });
    std::vector<QByteArrayView> codes;
    codes.reserve(indexes.size());
    for (int index : indexes)
        codes.push_back(m_catalogue.codeLatin1(index));
    return {ReplyBuilder::quotes(codes, quotes, request.firstFetch()), {}};
}

QByteArray SimulatedSource::search(QStringView text)
{
    return ReplyBuilder::search(m_catalogue, text);
}

Catalogue SimulatedSource::makeCatalogue(const ServiceSettings &settings)
{
    Catalogue catalogue = Catalogue::bundled();
    catalogue.addSynthetic(settings.synthetic, settings.seed);
    return catalogue;
}

qint64 SimulatedSource::marketTimeMs() const
{
    const qint64 standing = m_standingMs;
    return standing >= 0 ? standing : m_clock.elapsed();
}
