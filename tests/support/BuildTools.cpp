#include "support/BuildTools.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>

namespace BuildTools {

ToolRun run(const QString &program, const QStringList &arguments, int deadlineMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun result;
    if (!process.waitForFinished(deadlineMs)) {
        process.kill();
        process.waitForFinished(5000);
        result.output = QStringLiteral("%1 did not finish within %2 ms: %3")
                            .arg(program, QString::number(deadlineMs), process.errorString());
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAll());
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

ToolRun installInto(const QString &prefix)
{
    return run(QStringLiteral(TICKERLOOM_CMAKE),
               {QStringLiteral("--install"), QStringLiteral(TICKERLOOM_BUILD_DIR), QStringLiteral("--prefix"), prefix});
}

QStringList filesUnder(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace BuildTools
