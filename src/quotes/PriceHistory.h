#pragma once

#include <QDateTime>
#include <QtGlobal>
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
        quint64 rowId = 0;
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
        std::erase_if(m_tracks, [&](const Track &track) { return isGone(track.rowId); });
        m_cursor = 0;
    }
    qsizetype size() const { return qsizetype(m_tracks.size()); }

private:
    Track &trackOf(quint64 rowId);

    // In the order of row identities, which is grid order: a refresh walks
    // the tracks from the top, each row's next to the one before.
    std::vector<Track> m_tracks;
    size_t m_cursor = 0;
};
