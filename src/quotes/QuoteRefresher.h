#pragma once

#include "quotes/QuoteRecord.h"
#include "quotes/QuoteTable.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class GridModel;

// Fetches quotes and paints them into the quote grid: every row from one
// request for the whole watch list, or one newly added row. On timer
// refreshes the SYMBOL and LTP cells turn blue when the price rose, red when
// it fell, black when it stayed.
//
// The fetch waits in a nested event loop, so the grid may change meanwhile:
// a refresh paints only the rows its request listed, and a row refresh only
// the row it asked for, wherever that row has moved; once the window is
// closing, nothing more is painted.
class QuoteRefresher : public QObject
{
    Q_OBJECT

public:
    // URL in, reply body out, "" on any failure.
    using Fetch = std::function<QString(const QString &url)>;

    static constexpr quint32 kRoseColour = 0xFF0000; // blue, packed 0x00BBGGRR
    static constexpr quint32 kFellColour = 0x0000FF; // red
    static constexpr quint32 kSameColour = 0x000000; // black

    QuoteRefresher(GridModel *grid, Fetch fetch, int upPicture, int downPicture, QObject *parent = nullptr);

    std::vector<QuoteRecord> GetQuotes(const QString &symbolList, bool FirstFetch) const;

    // Refreshes every row down to the first empty SYMBOL cell, of the rows
    // that stood in the grid when the request was built.
    void RefreshQuotes(const QString &watchList, bool FirstFetch);

    // Refreshes one row from a request for its symbol alone, painting the
    // reply's first record whatever its symbol.
    void RefreshQuoteRow(int row, bool FirstFetch);

    // Paints one row in the order that reads the LTP cell before it is written.
    void paintRow(int row, const QuoteNumbers &quote, bool FirstFetch);

    // Set by the window when it closes: no refresh paints after that.
    void setClosing() { m_closing = true; }
    bool isClosing() const { return m_closing; }

private:
    quint64 lastListedRowId() const;
    const QString &allRowsUrl(const QString &base, const QString &watchList, bool FirstFetch);
    QString fetchAllRows(const QString &watchList, bool FirstFetch);
    void paintListedRows(quint64 lastListed, bool FirstFetch);

    QPointer<GridModel> m_grid;
    Fetch m_fetch;
    int m_upPicture;
    int m_downPicture;
    bool m_closing = false;

    // The last all-rows request and what it was built from: encoding a long
    // list costs more than the rest of the request, and the list seldom changes.
    QString m_urlWatchList;
    QString m_urlBase;
    bool m_urlFirstFetch = false;
    QString m_url;

    // Filled and emptied within one refresh, between its fetch and the end of
    // its painting, where no events are handled; kept for its storage.
    QuoteTable m_quotes;
};
