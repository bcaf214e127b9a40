#pragma once

#include "quotes/QuoteRecord.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class GridModel;

// Fetches quotes and paints them into the quote grid: every row from one
// request for the whole watch list, or one newly added row. On timer
// refreshes the SYMBOL and LTP cells turn blue when the price rose, red when
// it fell, black when it stayed.
class QuoteRefresher
{
public:
    // URL in, reply body out, "" on any failure.
    using Fetch = std::function<QString(const QString &url)>;

    enum Column { Symbol = 1, Bid, Ask, Ltp, ChangePct, Trend, Open, High, Low, PrevClose, Volume };

    static constexpr quint32 kRoseColour = 0xFF0000; // blue, packed 0x00BBGGRR
    static constexpr quint32 kFellColour = 0x0000FF; // red
    static constexpr quint32 kSameColour = 0x000000; // black

    QuoteRefresher(GridModel *grid, Fetch fetch, int upPicture, int downPicture);

    std::vector<QuoteRecord> GetQuotes(const QString &symbolList, bool FirstFetch) const;

    // Refreshes every row down to the first empty SYMBOL cell. Closing is read
    // after the fetch and after every painted row; once set, nothing more is painted.
    void RefreshQuotes(const QString &watchList, bool FirstFetch, const bool &Closing);

    // Refreshes one row from a request for its symbol alone, painting the
    // reply's first record whatever its symbol.
    void RefreshQuoteRow(int row, bool FirstFetch);

    // Paints one row in the order that reads the LTP cell before it is written.
    void paintRow(int row, const QuoteRecord &record, bool FirstFetch);

private:
    QPointer<GridModel> m_grid;
    Fetch m_fetch;
    int m_upPicture;
    int m_downPicture;
};
