#include "quotes/QuoteRefresher.h"

#include "quotes/PriceChart.h"
#include "quotes/QuoteRequest.h"
#include "quotes/QuoteSource.h"
#include "quotes/RefreshLog.h"
#include "watch/GridModel.h"
#include "watch/QuoteGridColumns.h"
#include "web/ServiceAddress.h"

#include "protocol/QuoteProtocol.h"

#include <algorithm>

using namespace QuoteGridColumns;

QuoteRefresher::QuoteRefresher(GridModel *grid, Fetch fetch, int upPicture, int downPicture, QObject *parent)
    : QObject(parent)
    , m_grid(grid)
    , m_fetch(std::move(fetch))
    , m_clock(&QDateTime::currentDateTime)
    , m_upPicture(upPicture)
    , m_downPicture(downPicture)
{
}

// Fetches the URL and reads the reply into the quote table. False when the
// window closed, or this refresher went, while the fetch waited.
bool QuoteRefresher::GetQuotes(const QUrl &url)
{
    const QPointer<QuoteRefresher> self(this);
    // Copies on the stack: this refresher may go while the fetch waits, and
    // a refresh run meanwhile may build another request.
    const Fetch fetch = m_fetch;
    const FetchedReply reply = url.isEmpty() ? FetchedReply() : fetch(QUrl(url));
    if (!self || !m_grid || m_closing) {
        qCDebug(lcRefresh) << "refresh dropped: the window closed while it waited";
        return false;
    }
    m_quotes.read(reply.body);
    m_reply = {reply.answered, QuoteSource::shown(reply.header(QuoteProtocol::kSourceHeader))};
    return true;
}

void QuoteRefresher::RefreshQuotes(const QString &watchList, bool FirstFetch)
{
    const ListedRows listed = listedRows();
    const bool withOpenClose = FirstFetch || listed.lackOpenClose;
    const std::optional<QString> base = ServiceAddress::base(); // none: a failed fetch
    if (m_freshness.refreshStarted(listed.count))
        sayFreshness(true);
    if (!GetQuotes(base ? allRowsUrl(*base, watchList, withOpenClose) : QUrl()))
        return;
    stampPaintTime();
    m_quotes.setAskers(listed.count, !watchList.isEmpty() && watchList == m_distinctList, withOpenClose);
    const bool anyQuote = !m_quotes.isEmpty();
    if (anyQuote)
        m_history.startRefresh(listed.count);
    const Painted painted = paintListedRows(listed.lastId, FirstFetch, withOpenClose);
    if (anyQuote)
        m_history.endRefresh();
    // Every listed row found the first line of its symbol at its own position: the list's symbols differ.
    if (painted.asked == listed.count && painted.asked > 0 && m_quotes.answeredInOrder())
        m_distinctList = watchList;
    m_quotes.clear();
    forgetDeletedRows();
    sayFreshness(
        m_freshness.refreshEnded({m_reply.answered, painted.asked, painted.painted, m_paintedAt, m_reply.source}));
    emit rowMarksChanged();
}

void QuoteRefresher::sayFreshness(bool answerChanged)
{
    emit freshnessChanged(m_freshness.text(m_clock().date()), answerChanged);
}

void QuoteRefresher::expectList(const QString &watchList, bool FirstFetch, bool distinct)
{
    if (distinct)
        m_distinctList = watchList;
    const std::optional<QString> base = ServiceAddress::base();
    if (!base)
        return;
    try {
        m_expectedUrl = std::async(std::launch::async, &QuoteRequest::watchListUrl, *base, watchList, FirstFetch);
        m_expectedKey = {*base, watchList, FirstFetch};
    } catch (const std::system_error &) {
        // no thread: the refresh builds its request itself
    }
}

const QUrl &QuoteRefresher::allRowsUrl(const QString &base, const QString &watchList, bool withOpenClose)
{
    if (m_expectedUrl.valid()) { // the request of its own key, whatever this refresh asks for
        m_url = m_expectedUrl.get();
        m_urlKey = std::exchange(m_expectedKey, {});
    }
    const RequestKey key{base, watchList, withOpenClose};
    if (m_url.isEmpty() || key != m_urlKey) {
        m_url = QuoteRequest::watchListUrl(base, watchList, withOpenClose);
        m_urlKey = key;
    }
    return m_url;
}

QuoteRefresher::ListedRows QuoteRefresher::listedRows() const
{
    const GridModel &grid = *m_grid;
    ListedRows listed;
    while (listed.count < grid.rowCount() && !grid.isEmpty(listed.count + 1, Symbol)) {
        const int row = ++listed.count;
        listed.lackOpenClose = listed.lackOpenClose || grid.isEmpty(row, Open) || grid.isEmpty(row, PrevClose);
    }
    listed.lastId = grid.rowId(listed.count);
    return listed;
}

// Paints the rows the reply answers, and notes the others as left out.
QuoteRefresher::Painted QuoteRefresher::paintListedRows(quint64 lastListed, bool FirstFetch, bool withOpenClose)
{
    GridModel::Batch batch(*m_grid);
    const int rows = m_grid->rowCount();
    const bool anyQuote = !m_quotes.isEmpty();
    m_leftOut.clear();
    int painted = 0;
    int listed = 0;
    QuoteNumbers quote;
    // Row identities grow down the grid: past the last listed one, every row
    // was added while the fetch waited, and its symbol is not in this reply.
    for (int row = 1; row <= rows && m_grid->rowId(row) <= lastListed; ++row) {
        const QStringView symbol = m_grid->textView(row, Symbol);
        if (symbol.isEmpty())
            break;
        ++listed;
        // The service answers in the order asked: row n's line is most likely the n-th.
        if (anyQuote && m_quotes.find(symbol, row - 1, withOpenClose, quote)) {
            paintRow(row, quote, FirstFetch, withOpenClose);
            ++painted;
        } else {
            m_leftOut.push_back(m_grid->rowId(row));
        }
        if (m_closing)
            break;
    }
    qCDebug(lcRefresh) << "refresh painted" << painted << "of" << listed
                       << "listed rows; the others keep what they showed";
    return {listed, painted};
}

void QuoteRefresher::RefreshQuoteRow(int row, bool FirstFetch)
{
    if (!m_grid)
        return;
    const QString symbol = m_grid->text(row, Symbol);
    if (symbol.isEmpty())
        return;
    const quint64 asked = m_grid->rowId(row);
    const std::optional<QString> base = ServiceAddress::base();
    if (!GetQuotes(base ? QUrl(QuoteRequest::url(*base, symbol, FirstFetch)) : QUrl()))
        return;
    const std::optional<QuoteNumbers> first = m_quotes.first(FirstFetch);
    m_quotes.clear();
    // The row may have moved, or gone, while the fetch waited.
    const int now = m_grid->rowOf(asked);
    if (!first || now == 0) {
        qCDebug(lcRefresh) << "row refresh painted nothing:" << (first ? "its row was deleted" : "no quote line");
        return;
    }
    stampPaintTime();
    paintRow(now, *first, FirstFetch, FirstFetch);
    m_history.endRefresh();
    const auto leftOut = std::lower_bound(m_leftOut.begin(), m_leftOut.end(), asked);
    if (leftOut != m_leftOut.end() && *leftOut == asked) {
        m_leftOut.erase(leftOut); // updated now
        emit rowMarksChanged();
    }
}

// Paints one row in the order that reads the LTP cell before it is written.
// OPEN and P.CLOSE come with a first fetch, or go into a cell that lacks
// them; each only when the line brought it: a blank cell is asked for again,
// where a 0.00 would stand as a price the service never sent.
void QuoteRefresher::paintRow(int row, const QuoteNumbers &quote, bool FirstFetch, bool withOpenClose)
{
    GridModel &grid = *m_grid;
    grid.setNumber(row, Bid, quote.Bid);
    grid.setNumber(row, Ask, quote.Ask);
    if (!FirstFetch) {
        // Both prices as the cell shows them: more decimals than it shows are no move.
        const double previous = grid.shownNumber(row, Ltp);
        const double now = grid.shownValue(Ltp, quote.Ltp);
        const quint32 colour = previous < now ? kRoseColour : previous > now ? kFellColour : kSameColour;
        grid.setBackColour(row, Ltp, colour);
        grid.setBackColour(row, Symbol, colour);
    }
    grid.setNumber(row, Ltp, quote.Ltp);
    grid.setNumber(row, ChangePct, quote.ChangePct);
    if (quote.ChangePct < 0)
        grid.setPicture(row, Trend, m_downPicture);
    else if (quote.ChangePct > 0)
        grid.setPicture(row, Trend, m_upPicture);
    if (quote.openSent && (FirstFetch || (withOpenClose && grid.isEmpty(row, Open))))
        grid.setNumber(row, Open, quote.Open);
    if (quote.prevCloseSent && (FirstFetch || (withOpenClose && grid.isEmpty(row, PrevClose))))
        grid.setNumber(row, PrevClose, quote.PrevClose);
    grid.setNumber(row, High, quote.High);
    grid.setNumber(row, Low, quote.Low);
    grid.setInteger(row, Volume, quote.Volume);
    m_history.record(grid.rowId(row), grid.shownNumber(row, Ltp), m_paintedAtMs); // the chart moves as the cell does
}

void QuoteRefresher::stampPaintTime()
{
    m_paintedAt = m_clock();
    m_paintedAtMs = m_paintedAt.toMSecsSinceEpoch();
}

void QuoteRefresher::forgetDeletedRows()
{
    if (m_history.size() > m_grid->rowCount())
        m_history.prune([this](quint64 id) { return m_grid->rowOf(id) == 0; });
}

bool QuoteRefresher::isLeftOut(quint64 rowId) const
{
    return std::binary_search(m_leftOut.begin(), m_leftOut.end(), rowId);
}

QString QuoteRefresher::rowNotUpdated(int row) const
{
    if (!m_grid || m_leftOut.empty())
        return QString();
    const quint64 id = m_grid->rowId(row);
    if (!isLeftOut(id))
        return QString();
    const std::optional<PriceHistory::Track> track = m_history.find(id);
    return track ? tr("not updated since %1").arg(QuoteFreshness::when(track->updated, m_clock().date())) : QString();
}

QString QuoteRefresher::rowToolTip(int row) const
{
    const QString symbol = m_grid ? m_grid->text(row, Symbol) : QString();
    if (symbol.isEmpty())
        return QString();
    const std::optional<PriceHistory::Track> track = m_history.find(m_grid->rowId(row));
    const QString name = QStringLiteral("<b>%1</b>").arg(symbol.toHtmlEscaped());
    if (!track)
        return tr("%1<br>No quote has arrived yet").arg(name);
    return tr("%1<br>Quote updated %2<br>%3")
        .arg(name, QuoteFreshness::when(track->updated, m_clock().date()), PriceChart::asRichText(track->prices));
}
