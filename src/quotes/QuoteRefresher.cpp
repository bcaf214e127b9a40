#include "quotes/QuoteRefresher.h"

#include "quotes/QuoteReply.h"
#include "quotes/QuoteRequest.h"
#include "quotes/RefreshLog.h"
#include "watch/GridModel.h"
#include "watch/QuoteGridColumns.h"
#include "web/ServiceAddress.h"

using namespace QuoteGridColumns;

QuoteRefresher::QuoteRefresher(GridModel *grid, Fetch fetch, int upPicture, int downPicture, QObject *parent)
    : QObject(parent)
    , m_grid(grid)
    , m_fetch(std::move(fetch))
    , m_upPicture(upPicture)
    , m_downPicture(downPicture)
{
}

std::vector<QuoteRecord> QuoteRefresher::GetQuotes(const QString &symbolList, bool FirstFetch) const
{
    const std::optional<QString> base = ServiceAddress::base();
    if (!base)
        return {}; // an address that does not unscramble is a failed fetch
    // A copy on the stack: this refresher may go while the fetch waits.
    const Fetch fetch = m_fetch;
    const QString body = fetch(QuoteRequest::url(*base, symbolList, FirstFetch));
    if (body.isEmpty())
        return {};
    return QuoteReply::parse(body, FirstFetch);
}

void QuoteRefresher::RefreshQuotes(const QString &watchList, bool FirstFetch)
{
    const QPointer<QuoteRefresher> self(this);
    const quint64 lastListed = lastListedRowId();
    const QString body = fetchAllRows(watchList, FirstFetch);
    // The window may have closed, or gone, while the fetch waited.
    if (!self || !m_grid || m_closing) {
        qCDebug(lcRefresh) << "refresh dropped: the window closed while it waited";
        return;
    }
    m_quotes.read(body);
    if (m_quotes.isEmpty())
        qCDebug(lcRefresh) << "refresh found no quote line: nothing painted";
    else
        paintListedRows(lastListed, FirstFetch);
    m_quotes.clear();
}

QString QuoteRefresher::fetchAllRows(const QString &watchList, bool FirstFetch)
{
    const std::optional<QString> base = ServiceAddress::base();
    if (!base)
        return QString(); // an address that does not unscramble is a failed fetch
    // Copies on the stack: this refresher may go while the fetch waits, and
    // a refresh run meanwhile may build another request.
    const QString url = allRowsUrl(*base, watchList, FirstFetch);
    const Fetch fetch = m_fetch;
    return fetch(url);
}

const QString &QuoteRefresher::allRowsUrl(const QString &base, const QString &watchList, bool FirstFetch)
{
    if (m_url.isEmpty() || FirstFetch != m_urlFirstFetch || base != m_urlBase || watchList != m_urlWatchList) {
        m_url = QuoteRequest::url(base, QuoteRequest::listFromWatchList(watchList), FirstFetch);
        m_urlWatchList = watchList;
        m_urlBase = base;
        m_urlFirstFetch = FirstFetch;
    }
    return m_url;
}

quint64 QuoteRefresher::lastListedRowId() const
{
    int row = 0;
    while (row < m_grid->RowCount() && !m_grid->text(row + 1, Symbol).isEmpty())
        ++row;
    return m_grid->rowId(row);
}

void QuoteRefresher::paintListedRows(quint64 lastListed, bool FirstFetch)
{
    GridModel::Batch batch(*m_grid);
    const int rows = m_grid->RowCount();
    int painted = 0;
    int missing = 0;
    // Row identities grow down the grid: past the last listed one, every row
    // was added while the fetch waited, and its symbol is not in this reply.
    for (int row = 1; row <= rows && m_grid->rowId(row) <= lastListed; ++row) {
        const QString symbol = m_grid->text(row, Symbol);
        if (symbol.isEmpty())
            break;
        // The service answers in the order asked: row n's line is most likely the n-th.
        const std::optional<QuoteNumbers> quote = m_quotes.find(symbol, row - 1, FirstFetch);
        missing += !quote;
        paintRow(row, quote.value_or(QuoteNumbers()), FirstFetch);
        ++painted;
        if (m_closing)
            break;
    }
    qCDebug(lcRefresh) << "refresh painted" << painted << "of" << rows << "rows;" << missing
                       << "of them were not in the reply and show zeros";
}

void QuoteRefresher::RefreshQuoteRow(int row, bool FirstFetch)
{
    if (!m_grid)
        return;
    const QString symbol = m_grid->text(row, Symbol);
    if (symbol.isEmpty())
        return;
    const quint64 asked = m_grid->rowId(row);
    const QPointer<QuoteRefresher> self(this);
    const std::vector<QuoteRecord> records = GetQuotes(symbol, FirstFetch);
    if (!self || !m_grid || m_closing || records.empty())
        return;
    // The row may have moved, or gone, while the fetch waited.
    const int now = m_grid->rowOf(asked);
    if (now == 0) {
        qCDebug(lcRefresh) << "row refresh dropped: its row was deleted while it waited";
        return;
    }
    paintRow(now, records.front(), FirstFetch);
}

void QuoteRefresher::paintRow(int row, const QuoteNumbers &quote, bool FirstFetch)
{
    GridModel &grid = *m_grid;
    grid.setNumber(row, Bid, quote.Bid);
    grid.setNumber(row, Ask, quote.Ask);
    if (!FirstFetch) {
        // The previous price as the cell shows it, against the new one as received.
        const double previous = grid.shownNumber(row, Ltp);
        const quint32 colour = previous < quote.Ltp ? kRoseColour : previous > quote.Ltp ? kFellColour : kSameColour;
        grid.setBackColour(row, Ltp, colour);
        grid.setBackColour(row, Symbol, colour);
    }
    grid.setNumber(row, Ltp, quote.Ltp);
    grid.setNumber(row, ChangePct, quote.ChangePct);
    if (quote.ChangePct < 0)
        grid.setPicture(row, Trend, m_downPicture);
    else if (quote.ChangePct > 0)
        grid.setPicture(row, Trend, m_upPicture);
    if (FirstFetch) {
        grid.setNumber(row, Open, quote.Open);
        grid.setNumber(row, PrevClose, quote.PrevClose);
    }
    grid.setNumber(row, High, quote.High);
    grid.setNumber(row, Low, quote.Low);
    grid.setInteger(row, Volume, quote.Volume);
}
