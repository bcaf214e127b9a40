#include "quotes/QuoteRefresher.h"

#include "quotes/QuoteIndex.h"
#include "quotes/QuoteReply.h"
#include "quotes/QuoteRequest.h"
#include "watch/GridModel.h"
#include "web/ServiceAddress.h"

#include <exception>

QuoteRefresher::QuoteRefresher(GridModel *grid, Fetch fetch, int upPicture, int downPicture)
    : m_grid(grid)
    , m_fetch(std::move(fetch))
    , m_upPicture(upPicture)
    , m_downPicture(downPicture)
{
}

std::vector<QuoteRecord> QuoteRefresher::GetQuotes(const QString &symbolList, bool FirstFetch) const
{
    // A copy on the stack: the window that owns this refresher may go while the fetch waits.
    const Fetch fetch = m_fetch;
    QString body;
    try {
        body = fetch(QuoteRequest::url(ServiceAddress::base(), symbolList, FirstFetch));
    } catch (const std::exception &) {
        return {}; // an address that does not unscramble is a failed fetch
    }
    if (body.isEmpty())
        return {};
    return QuoteReply::parse(body, FirstFetch);
}

void QuoteRefresher::RefreshQuotes(const QString &watchList, bool FirstFetch, const bool &Closing)
{
    const QPointer<GridModel> grid = m_grid;
    const std::vector<QuoteRecord> records = GetQuotes(QuoteRequest::listFromWatchList(watchList), FirstFetch);
    // The window may have closed, or gone, while the fetch waited; the grid
    // lives exactly as long as the window that owns this refresher.
    if (!grid || Closing || records.empty())
        return;

    const QuoteIndex index(records);
    GridModel::Batch batch(*m_grid);
    const int rows = m_grid->RowCount();
    for (int row = 1; row <= rows; ++row) {
        const QString symbol = m_grid->text(row, Symbol);
        if (symbol.isEmpty())
            return;
        paintRow(row, index.find(symbol), FirstFetch);
        if (Closing)
            return;
    }
}

void QuoteRefresher::RefreshQuoteRow(int row, bool FirstFetch)
{
    const QPointer<GridModel> grid = m_grid;
    if (!grid)
        return;
    const QString symbol = grid->text(row, Symbol);
    if (symbol.isEmpty())
        return;
    const std::vector<QuoteRecord> records = GetQuotes(symbol, FirstFetch);
    if (records.empty() || !grid)
        return;
    paintRow(row, records.front(), FirstFetch);
}

void QuoteRefresher::paintRow(int row, const QuoteRecord &record, bool FirstFetch)
{
    GridModel &grid = *m_grid;
    grid.setNumber(row, Bid, record.Bid);
    grid.setNumber(row, Ask, record.Ask);
    if (!FirstFetch) {
        // The previous price as the cell shows it, against the new one as received.
        const double previous = grid.shownNumber(row, Ltp);
        const quint32 colour = previous < record.Ltp ? kRoseColour : previous > record.Ltp ? kFellColour : kSameColour;
        grid.setBackColour(row, Ltp, colour);
        grid.setBackColour(row, Symbol, colour);
    }
    grid.setNumber(row, Ltp, record.Ltp);
    grid.setNumber(row, ChangePct, record.ChangePct);
    if (record.ChangePct < 0)
        grid.setPicture(row, Trend, m_downPicture);
    else if (record.ChangePct > 0)
        grid.setPicture(row, Trend, m_upPicture);
    if (FirstFetch) {
        grid.setNumber(row, Open, record.Open);
        grid.setNumber(row, PrevClose, record.PrevClose);
    }
    grid.setNumber(row, High, record.High);
    grid.setNumber(row, Low, record.Low);
    grid.setInteger(row, Volume, record.Volume);
}
