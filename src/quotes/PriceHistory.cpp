#include "quotes/PriceHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

} // namespace

void PriceHistory::startRefresh(qsizetype rows)
{
    if (!m_points.empty() && ++m_sinceKept < m_keepEvery)
        return; // this refresh's prices overwrite the last point's
    m_sinceKept = 0;
    if (int(m_points.size()) == kMaxPoints) {
        for (int i = 0; i < kMaxPoints / 2; ++i)
            m_points[size_t(i)].swap(m_points[2 * size_t(i) + 1]);
        m_points.resize(kMaxPoints / 2);
        m_keepEvery *= 2;
    }
    std::vector<double> point;
    point.reserve(size_t(qMax(rows, size())));
    point.resize(m_rowIds.size(), kNone);
    m_points.push_back(std::move(point));
    m_rowIds.reserve(size_t(rows));
    m_updatedMs.reserve(size_t(rows));
}

qsizetype PriceHistory::indexOf(quint64 rowId) const
{
    for (size_t at = m_cursor; at < m_cursor + 2 && at < m_rowIds.size(); ++at) {
        if (m_rowIds[at] == rowId) {
            m_cursor = at;
            return qsizetype(at);
        }
    }
    const auto found = std::lower_bound(m_rowIds.begin(), m_rowIds.end(), rowId);
    if (found == m_rowIds.end() || *found != rowId)
        return -1;
    m_cursor = size_t(found - m_rowIds.begin());
    return qsizetype(m_cursor);
}

void PriceHistory::record(quint64 rowId, double ltp, qint64 atMs)
{
    if (m_points.empty())
        startRefresh();
    // A row below every row kept is new: a first refresh records only such rows.
    if (m_rowIds.empty() || rowId > m_rowIds.back()) {
        appendRow(rowId, ltp, atMs);
        return;
    }
    const qsizetype at = indexOf(rowId);
    if (at >= 0) {
        m_points.back()[size_t(at)] = ltp;
        m_updatedMs[size_t(at)] = atMs;
    } else {
        m_arrivals.push_back({rowId, ltp, atMs});
    }
}

void PriceHistory::appendRow(quint64 rowId, double price, qint64 atMs)
{
    m_rowIds.push_back(rowId);
    m_updatedMs.push_back(atMs);
    for (std::vector<double> &point : m_points)
        point.push_back(kNone);
    m_points.back().back() = price;
    m_cursor = m_rowIds.size() - 1;
}

// Rows above others arrive when a row is answered for the first time after
// rows below it were: rare, so all the refresh's arrivals are merged in at once.
void PriceHistory::endRefresh()
{
    if (m_arrivals.empty())
        return;
    std::vector<Arrival> arrivals;
    arrivals.swap(m_arrivals);
    std::stable_sort(arrivals.begin(), arrivals.end(),
                     [](const Arrival &a, const Arrival &b) { return a.rowId < b.rowId; });
    for (size_t i = 0; i < arrivals.size(); ++i)
        if (i + 1 == arrivals.size() || arrivals[i + 1].rowId != arrivals[i].rowId) // a row's last price wins
            appendRow(arrivals[i].rowId, arrivals[i].price, arrivals[i].atMs);
    // Each arrival now stands last; put every row back in identity order.
    std::vector<size_t> order(m_rowIds.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) { return m_rowIds[a] < m_rowIds[b]; });
    const auto reorder = [&order](auto &cells) {
        std::remove_reference_t<decltype(cells)> sorted;
        sorted.reserve(cells.size());
        for (size_t i : order)
            sorted.push_back(cells[i]);
        cells.swap(sorted);
    };
    reorder(m_rowIds);
    reorder(m_updatedMs);
    for (std::vector<double> &point : m_points)
        reorder(point);
    m_cursor = 0;
}

std::optional<PriceHistory::Track> PriceHistory::find(quint64 rowId) const
{
    const qsizetype at = indexOf(rowId);
    if (at < 0)
        return std::nullopt;
    Track track;
    for (const std::vector<double> &point : m_points)
        if (!std::isnan(point[size_t(at)]))
            track.prices.push_back(point[size_t(at)]);
    track.updated = QDateTime::fromMSecsSinceEpoch(m_updatedMs[size_t(at)]);
    return track;
}

void PriceHistory::keepRows(const std::vector<bool> &keep)
{
    const auto compact = [&keep](auto &cells) {
        size_t kept = 0;
        for (size_t i = 0; i < cells.size(); ++i)
            if (keep[i])
                cells[kept++] = cells[i];
        cells.resize(kept);
    };
    compact(m_rowIds);
    compact(m_updatedMs);
    for (std::vector<double> &point : m_points)
        compact(point);
    m_cursor = 0;
}
