#include "quotes/PriceHistory.h"

#include <algorithm>

PriceHistory::Track &PriceHistory::trackOf(quint64 rowId)
{
    if (m_cursor < m_tracks.size() && m_tracks[m_cursor].rowId == rowId)
        return m_tracks[m_cursor];
    if (m_cursor + 1 < m_tracks.size() && m_tracks[m_cursor + 1].rowId == rowId)
        return m_tracks[++m_cursor];
    const auto at = std::lower_bound(m_tracks.begin(), m_tracks.end(), rowId,
                                     [](const Track &track, quint64 id) { return track.rowId < id; });
    m_cursor = size_t(at - m_tracks.begin());
    if (at == m_tracks.end() || at->rowId != rowId)
        m_tracks.insert(at, Track{rowId, {}, {}, 1, 0});
    return m_tracks[m_cursor];
}

void PriceHistory::record(quint64 rowId, double ltp, const QDateTime &at)
{
    Track &track = trackOf(rowId);
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
    const auto found = std::lower_bound(m_tracks.begin(), m_tracks.end(), rowId,
                                        [](const Track &track, quint64 id) { return track.rowId < id; });
    return found != m_tracks.end() && found->rowId == rowId ? &*found : nullptr;
}
