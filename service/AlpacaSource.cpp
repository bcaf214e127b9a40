#include "service/AlpacaSource.h"

#include "service/ServiceRequest.h"

AlpacaSource::AlpacaSource(const ProviderSettings &settings)
    : m_name(settings.sourceName())
    , m_cache(settings.keepMs)
    , m_scheduler(settings, m_cache, [this] { return nowMs(); })
    , m_assets(settings)
{
    m_clock.start();
    m_assets.start();
}

QuoteSource::Answer AlpacaSource::quotes(const ServiceRequest &request)
{
    if (m_scheduler.keyRefused())
        return {{}, QStringLiteral("the market-data provider refused the key: see tickerloom-service --check")};
    ProviderCache::Lines lines = m_cache.answer(request, nowMs());
    if (lines.asksNew)
        m_scheduler.wake();
    return {std::move(lines.body), {}};
}

QByteArray AlpacaSource::search(QStringView text)
{
    return m_assets.search(text);
}
