#pragma once

#include <QDateTime>
#include <QtGlobal>
#include <optional>
#include <vector>

// The last traded prices each grid row has shown since the program started,
// by row identity, and when its quote was last updated. Memory stays
// bounded however long the program runs: at most kMaxPoints points are kept,
// and when they are full every second one goes and each later point stands
// for twice as many refreshes (the latest price of its stretch), so the
// whole run stays in view.
//
// Prices are kept whole, as the grid shows them: single precision would blur
// paise on prices of millions.
//
// A point holds one price per row, the rows in identity order, which is grid
// order: a refresh writes its prices one after another, as it paints.
class PriceHistory
{
public:
    static constexpr int kMaxPoints = 120;

    struct Track
    {
        std::vector<double> prices; // oldest first, the latest last
        QDateTime updated;
    };

    // Opens the point of one refresh that paints about rows rows; the prices
    // recorded until the next refresh are its prices.
    void startRefresh(qsizetype rows = 0);
    // Records the row's price, received at atMs (since the epoch).
    void record(quint64 rowId, double ltp, qint64 atMs);
    // Places the rows first recorded since the refresh started.
    void endRefresh();

    // The row's track, or none when the row was never updated.
    std::optional<Track> find(quint64 rowId) const;
    // Drops the rows for which isGone holds.
    template <typename IsGone> void prune(IsGone &&isGone)
    {
        std::vector<bool> keep(m_rowIds.size());
        for (size_t i = 0; i < keep.size(); ++i)
            keep[i] = !isGone(m_rowIds[i]);
        keepRows(keep);
    }
    qsizetype size() const { return qsizetype(m_rowIds.size()); }

private:
    struct Arrival
    {
        quint64 rowId;
        double price;
        qint64 atMs;
    };

    qsizetype indexOf(quint64 rowId) const;
    void appendRow(quint64 rowId, double price, qint64 atMs);
    void keepRows(const std::vector<bool> &keep);

    std::vector<quint64> m_rowIds;             // identity order
    std::vector<qint64> m_updatedMs;           // per row
    std::vector<std::vector<double>> m_points; // oldest first: a price per row, NaN for none
    std::vector<Arrival> m_arrivals;           // new rows above others, placed at the refresh's end
    int m_keepEvery = 1;                       // of the refreshes, every this many opens a point
    int m_sinceKept = 0;
    mutable size_t m_cursor = 0; // where the last row was found: the next is most likely just below
};
