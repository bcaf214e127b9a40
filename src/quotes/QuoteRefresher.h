#pragma once

#include "quotes/PriceHistory.h"
#include "quotes/QuoteFreshness.h"
#include "quotes/QuoteRecord.h"
#include "quotes/QuoteTable.h"
#include "web/UrlFetch.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <future>
#include <vector>

class GridModel;

// Fetches quotes and paints them into the quote grid: every row from one
// request for the whole watch list, or one newly added row. On timer
// refreshes the SYMBOL and LTP cells turn blue when the price as shown rose,
// red when it fell, black when it stayed. A row the reply does not answer
// keeps what it showed: a price on screen is always one the service sent.
//
// The fetch waits in a nested event loop, so the grid may change meanwhile:
// a refresh paints only the rows its request listed, and a row refresh only
// the row it asked for, wherever that row has moved; once the window is
// closing, nothing more is painted.
class QuoteRefresher : public QObject
{
    Q_OBJECT

public:
    using Fetch = UrlBytesFetch; // the reply is read as the bytes the service sent
    using Clock = std::function<QDateTime()>;

    static constexpr quint32 kRoseColour = 0xFF0000; // blue, packed 0x00BBGGRR
    static constexpr quint32 kFellColour = 0x0000FF; // red
    static constexpr quint32 kSameColour = 0x000000; // black

    QuoteRefresher(GridModel *grid, Fetch fetch, int upPicture, int downPicture, QObject *parent = nullptr);

    // Refreshes every row down to the first empty SYMBOL cell, of the rows
    // that stood in the grid when the request was built. While a listed row
    // lacks its OPEN and P.CLOSE, the request asks for them as a first fetch
    // does, and only such rows get them.
    void RefreshQuotes(const QString &watchList, bool FirstFetch);

    // Told ahead of an all-rows refresh of a long list: its request is built
    // on another thread meanwhile. A list whose symbols are known to differ
    // once upper-cased is read in order, without an index of the reply's lines.
    void expectList(const QString &watchList, bool FirstFetch, bool distinct);

    // Refreshes one row from a request for its symbol alone, painting the
    // reply's first record whatever its symbol.
    void RefreshQuoteRow(int row, bool FirstFetch);

    // Set by the window when it closes: no refresh paints after that.
    void setClosing() { m_closing = true; }
    bool isClosing() const { return m_closing; }

    const QuoteFreshness &freshness() const { return m_freshness; }
    // When the row's quote was last updated, and a chart of its prices.
    QString rowToolTip(int row) const;
    // For a row that shows a quote the latest all-rows refresh left out: the
    // words that say so ("not updated since 14:03:05"); else empty.
    QString rowNotUpdated(int row) const;
    void setClock(Clock clock) { m_clock = std::move(clock); }

signals:
    // When an all-rows refresh starts waiting and after it ends: the words
    // that say how current the prices are, and whether the kind of answer
    // changed (waiting, current, not answering), not only its time.
    void freshnessChanged(const QString &text, bool answerChanged);
    // The rows marked as left out by the latest refresh changed.
    void rowMarksChanged();

private:
    bool GetQuotes(const QUrl &url);
    // The rows a refresh's request lists: from the top down to the first
    // empty SYMBOL cell, as the grid stood when the request was built.
    struct ListedRows
    {
        int count = 0;
        quint64 lastId = 0;
        bool lackOpenClose = false; // a listed row lacks its OPEN or P.CLOSE
    };
    struct Painted
    {
        int asked = 0;   // listed rows still in the grid, each looked up in the reply
        int painted = 0; // of them, the rows the reply answered
    };
    // What the fetch brought besides the quotes.
    struct ReplyFacts
    {
        bool answered = false;
        QString source;
    };

    ListedRows listedRows() const;
    const QUrl &allRowsUrl(const QString &base, const QString &watchList, bool withOpenClose);
    Painted paintListedRows(quint64 lastListed, bool FirstFetch, bool withOpenClose);
    void paintRow(int row, const QuoteNumbers &quote, bool FirstFetch, bool withOpenClose);
    void stampPaintTime();
    void forgetDeletedRows();
    void sayFreshness(bool answerChanged);
    bool isLeftOut(quint64 rowId) const;

    QPointer<GridModel> m_grid;
    Fetch m_fetch;
    Clock m_clock;
    int m_upPicture;
    int m_downPicture;
    bool m_closing = false;
    QuoteFreshness m_freshness;
    PriceHistory m_history;
    QDateTime m_paintedAt; // the time of the refresh being painted
    qint64 m_paintedAtMs = 0;
    ReplyFacts m_reply;             // of the latest fetch
    std::vector<quint64> m_leftOut; // rows the latest all-rows refresh did not answer, in identity order

    // What an all-rows request is built from.
    struct RequestKey
    {
        QString base;
        QString watchList;
        bool withOpenClose = false;
        bool operator==(const RequestKey &) const = default;
    };
    // The last all-rows request: encoding and parsing a long list cost more
    // than the rest of the request, and the list seldom changes.
    RequestKey m_urlKey;
    QUrl m_url;
    // The request of an expected list, being built on another thread.
    RequestKey m_expectedKey;
    std::future<QUrl> m_expectedUrl;
    // The last watch list whose symbols proved, or were known, to differ
    // once upper-cased: its replies are read in order, without an index.
    QString m_distinctList;

    // Filled and emptied within one refresh, between its fetch and the end of
    // its painting, where no events are handled; kept for its storage.
    QuoteTable m_quotes;
};
