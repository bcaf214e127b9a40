#include "watch/ListReload.h"

#include <algorithm>

namespace ListReload {
namespace {

// Rows moved by removing the rows not kept, the lowest first.
qint64 movesOf(const std::vector<bool> &keep)
{
    qint64 moves = 0;
    qint64 keptBelow = 0;
    for (auto row = keep.rbegin(); row != keep.rend(); ++row) {
        if (*row)
            ++keptBelow;
        else
            moves += keptBelow;
    }
    return moves;
}

} // namespace

Plan plan(const QStringList &shown, const QStringList &wanted, qint64 maxMoves)
{
    Plan plan;
    plan.keep.assign(size_t(shown.size()), false);
    qsizetype next = 0; // the first shown row not yet passed
    for (; plan.appendFrom < wanted.size(); ++plan.appendFrom) {
        const qsizetype found = shown.indexOf(wanted[plan.appendFrom], next);
        if (found < 0)
            break;
        plan.keep[size_t(found)] = true;
        next = found + 1;
    }
    if (movesOf(plan.keep) <= maxMoves)
        return plan;
    // Only the rows above the first removed one stay.
    const auto firstGone = std::find(plan.keep.begin(), plan.keep.end(), false);
    const qsizetype stay = firstGone - plan.keep.begin();
    std::fill(firstGone, plan.keep.end(), false);
    plan.appendFrom = stay;
    return plan;
}

} // namespace ListReload
