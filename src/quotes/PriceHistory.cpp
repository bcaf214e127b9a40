#include "quotes/PriceHistory.h"

void PriceHistory::record(quint64 rowId, double ltp, const QDateTime &at)
{
    Track &track = m_tracks[rowId];
    track.updated = at;
    // The last point always shows the latest price of its stretch.
    if (!track.prices.empty() && ++track.sinceKept < track.keepEvery) {
        track.prices.back() = float(ltp);
        return;
    }
    track.sinceKept = 0;
    if (int(track.prices.size()) == kMaxPoints) {
        for (int i = 0; i < kMaxPoints / 2; ++i)
            track.prices[size_t(i)] = track.prices[size_t(2 * i + 1)];
        track.prices.resize(kMaxPoints / 2);
        track.keepEvery *= 2;
    }
    track.prices.push_back(float(ltp));
}

const PriceHistory::Track *PriceHistory::find(quint64 rowId) const
{
    const auto found = m_tracks.find(rowId);
    return found == m_tracks.end() ? nullptr : &found->second;
}
