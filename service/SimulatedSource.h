#pragma once

#include "service/Catalogue.h"
#include "service/Market.h"
#include "service/QuoteSource.h"
#include "service/ServiceSettings.h"

#include <QElapsedTimer>

#include <atomic>

// The simulated market as a quote source: the catalogue's scrips, walked by
// the seeded market from the moment the service started.
class SimulatedSource : public QuoteSource
{
public:
    explicit SimulatedSource(const ServiceSettings &settings);

    QByteArray name() const override;
    Answer quotes(const ServiceRequest &request) override;
    QByteArray search(QStringView text) override;
    bool ownUserOnly() const override { return false; }

    const Catalogue &catalogue() const { return m_catalogue; }
    // The market's clock stands still at ms after the opening; a negative ms
    // lets it run again.
    void setMarketTime(qint64 ms) { m_standingMs = ms; }

private:
    static Catalogue makeCatalogue(const ServiceSettings &settings);
    qint64 marketTimeMs() const;

    Catalogue m_catalogue;
    Market m_market;
    QElapsedTimer m_clock;                // the market opened when the service started
    std::atomic<qint64> m_standingMs{-1}; // the clock's stopped time, or -1
};
