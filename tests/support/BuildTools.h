#pragma once

#include <QString>
#include <QStringList>

// Runs the tools of this build folder (cmake, cpack, the validators) for the
// tests of the installed tree and the package, each within a deadline.
namespace BuildTools {

struct ToolRun
{
    int exitCode = -1; // -1 when the tool did not start, crashed or overran its deadline
    QString output;    // standard output and error together
};

ToolRun run(const QString &program, const QStringList &arguments, int deadlineMs = 120000);

// `cmake --install` of this build folder into prefix.
ToolRun installInto(const QString &prefix);

// Every file under dir, as sorted paths relative to it.
QStringList filesUnder(const QString &dir);

} // namespace BuildTools
