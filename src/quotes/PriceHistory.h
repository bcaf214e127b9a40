#pragma once

#include <QDateTime>
#include <QtGlobal>
#include <unordered_map>
#include <vector>

// The last traded prices each grid row has shown since the program started,
// by row identity, and when its quote was last updated. Memory stays
// bounded however long the program runs: a row keeps at most kMaxPoints
// prices, and when they are full every second one goes and each later point
// stands for twice as many refreshes (the latest price of its stretch), so
// the whole run stays in view.
class PriceHistory
{
public:
    static constexpr int kMaxPoints = 120;

    struct Track
    {
        std::vector<float> prices;
        QDateTime updated;
        int keepEvery = 1; // of the prices received, every this many is kept
        int sinceKept = 0;
    };

    void record(quint64 rowId, double ltp, const QDateTime &at);
    // The row's track, or none when the row was never updated.
    const Track *find(quint64 rowId) const;
    // Drops the tracks of rows for which isGone holds.
    template <typename IsGone> void prune(IsGone &&isGone)
    {
        for (auto it = m_tracks.begin(); it != m_tracks.end();)
            it = isGone(it->first) ? m_tracks.erase(it) : std::next(it);
    }
    qsizetype size() const { return qsizetype(m_tracks.size()); }

private:
    std::unordered_map<quint64, Track> m_tracks;
};
