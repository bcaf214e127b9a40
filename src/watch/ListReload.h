#pragma once

#include <QStringList>
#include <vector>

// How the rows shown turn into the list a file now holds, keeping every row
// that can stay: a kept row keeps its identity, its prices and its history,
// and a delete chosen on it still finds it. New rows only ever go to the
// bottom, where identities grow, so the rows kept are the longest run of
// the shown rows, in order, that the file's list starts with; the rest of
// the file's list is appended.
namespace ListReload {

struct Plan
{
    std::vector<bool> keep;   // per shown row
    qsizetype appendFrom = 0; // the file's scrips from here on are new rows
};

// Removing a row moves every row below it; past maxMoves moved rows the
// rows from the first removed one down are all made anew instead.
Plan plan(const QStringList &shown, const QStringList &wanted, qint64 maxMoves = 4'000'000);

} // namespace ListReload
