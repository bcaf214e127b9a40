#pragma once

#include "service/ProviderAssets.h"
#include "service/ProviderCache.h"
#include "service/ProviderScheduler.h"
#include "service/ProviderSettings.h"
#include "service/QuoteSource.h"

#include <QElapsedTimer>

// Quotes from the Alpaca market-data provider with the user's own key:
// requests are answered from the cache, which the scheduler keeps fresh, and
// the search from the provider's asset list. Made on the main thread.
class AlpacaSource : public QuoteSource
{
public:
    explicit AlpacaSource(const ProviderSettings &settings);

    QByteArray name() const override { return m_name; }
    Answer quotes(const ServiceRequest &request) override;
    QByteArray search(QStringView text) override;
    bool ownUserOnly() const override { return true; }

private:
    qint64 nowMs() const { return m_clock.elapsed(); }

    QByteArray m_name;
    QElapsedTimer m_clock; // the cache's and the scheduler's
    ProviderCache m_cache;
    ProviderScheduler m_scheduler;
    ProviderAssets m_assets;
};
