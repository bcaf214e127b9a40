#include "watch/WatchListKeeper.h"

#include "watch/GridModel.h"
#include "watch/ListLog.h"
#include "watch/ScripsFile.h"
#include "watch/SwitchTimer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>

namespace {

constexpr int kLoadSliceMs = 10; // a long list is shown in slices this long, with events between them

} // namespace

WatchListKeeper::WatchListKeeper(const QString &scripsPath, GridModel *grid, int symbolColumn, QObject *parent)
    : QObject(parent)
    , m_scripsPath(scripsPath)
    , m_grid(grid)
    , m_symbolColumn(symbolColumn)
    , m_timer(new SwitchTimer(this))
{
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(kRefreshIntervalMs);
    m_timer->setTimerType(Qt::PreciseTimer); // a coarse timer may tick up to 5% early
    connect(m_timer, &QTimer::timeout, this, &WatchListKeeper::refreshTick);
}

void WatchListKeeper::load()
{
    m_grid->setRowCount(0);
    m_list.clear();
    ScripsFile::removeStaleTemporaries(m_scripsPath);
    ScripsFile::Loaded loaded = ScripsFile::load(m_scripsPath);
    const QPointer<WatchListKeeper> self(this);
    if (!loaded.failure.isEmpty()) {
        qCDebug(lcList) << "the list" << m_scripsPath << "cannot be read:" << loaded.failure;
        m_unreadableFile = loaded.failure;
        emit loadFailed(tr("The watch list \"%1\" cannot be read: %2.\n\nTickerloom starts with an empty list and "
                           "leaves that file exactly as it is: changes made now are not saved to it.")
                            .arg(QDir::toNativeSeparators(m_scripsPath), loaded.failure));
        if (!self)
            return;
    }
    if (!appendLoaded(std::exchange(loaded.scrips, {})))
        return;
    qCDebug(lcList) << "loaded" << m_list.size() << "scrips from" << m_scripsPath;
    // The spare row comes before the first refresh: the window may be shown
    // while that refresh waits, and an add fills the spare row.
    m_grid->setRowCount(m_grid->rowCount() + 1);
    emit listed();
    if (loaded.found && loaded.failure.isEmpty() && m_refreshes.allRows) {
        ++m_refreshesRunning; // a delete chosen meanwhile waits for it, and no tick starts
        m_refreshes.allRows(m_list.text(), true);
        if (!self)
            return;
        --m_refreshesRunning;
    }
    if (m_list.size() > 0)
        resumeTimer();
}

// Shows the loaded scrips, handling events between slices of the work. Each
// slice's rows arrive in one insertion, so a paint or a click between slices
// always meets a whole model. False when the keeper went meanwhile.
bool WatchListKeeper::appendLoaded(const QStringList &scrips)
{
    const QPointer<WatchListKeeper> self(this);
    m_list.reserve(int(scrips.size()));
    m_grid->reserveRows(int(scrips.size()) + 1); // and the spare row
    const std::span<const QString> all(scrips.constData(), size_t(scrips.size()));
    QElapsedTimer sliceTime;
    sliceTime.start();
    // Reading the clock costs more than taking a line: it is read every so many lines.
    constexpr qsizetype kLinesPerClockReading = 64;
    qsizetype sliceStart = 0;
    for (qsizetype i = 0; i < scrips.size(); ++i) {
        if (i % kLinesPerClockReading != 0 || !sliceTime.hasExpired(kLoadSliceMs))
            continue;
        showAppended(all.subspan(size_t(sliceStart), size_t(i + 1 - sliceStart)));
        sliceStart = i + 1;
        QCoreApplication::processEvents();
        if (!self)
            return false;
        sliceTime.restart();
    }
    showAppended(all.subspan(size_t(sliceStart)));
    return true;
}

void WatchListKeeper::showAppended(std::span<const QString> symbols)
{
    for (const QString &symbol : symbols)
        m_list.append(symbol);
    m_grid->appendRows(m_symbolColumn, symbols);
}

WatchListKeeper::Added WatchListKeeper::add(const QString &symbol)
{
    if (symbol.isEmpty())
        return Added::Nothing;
    if (m_list.contains(symbol))
        return Added::AlreadyListed;
    if (m_list.isFull())
        return Added::ListFull;
    m_timer->setEnabled(false);
    const int row = m_grid->rowCount(); // the spare row receives the scrip
    m_grid->setRowCount(row + 1);
    m_grid->setText(row, m_symbolColumn, symbol);
    m_list.append(symbol);

    const QPointer<WatchListKeeper> self(this);
    ++m_refreshesRunning;
    if (m_refreshes.oneRow)
        m_refreshes.oneRow(row, true);
    if (!self)
        return Added::Added;
    --m_refreshesRunning;
    save();
    if (self)
        resumeTimer();
    return Added::Added;
}

void WatchListKeeper::chooseDelete(int row)
{
    if (row < 1 || row > m_list.size())
        return; // the spare row holds no scrip, and a later add would fill it
    m_pendingDeletes.push_back(m_list.entries()[size_t(row - 1)].id);
    if (m_refreshesRunning == 0 && !m_closing)
        deleteChosen();
}

void WatchListKeeper::deleteChosen()
{
    m_timer->setEnabled(false);
    bool deleted = false;
    while (!m_pendingDeletes.empty()) {
        const quint64 chosen = m_pendingDeletes.front();
        m_pendingDeletes.pop_front();
        const int index = m_list.indexOf(chosen);
        if (index < 0)
            continue; // chosen twice, and gone the first time
        m_grid->deleteRow(index + 1);
        m_grid->setRowCount(m_grid->rowCount() - 1);
        m_list.remove(chosen);
        deleted = true;
    }
    const QPointer<WatchListKeeper> self(this);
    if (deleted)
        save();
    if (self)
        resumeTimer();
}

void WatchListKeeper::refreshTick()
{
    m_timer->setEnabled(false);
    ++m_refreshesRunning;
    const QPointer<WatchListKeeper> self(this);
    if (m_refreshes.allRows)
        m_refreshes.allRows(m_list.text(), false);
    if (!self)
        return;
    --m_refreshesRunning;
    resumeTimer();
}

// The timer stays off while any refresh runs, so refreshes never overlap, and
// the next tick comes a whole interval after the last refresh ended. Deletes
// chosen meanwhile run first.
void WatchListKeeper::resumeTimer()
{
    if (m_closing || m_refreshesRunning > 0)
        return;
    if (!m_pendingDeletes.empty()) {
        deleteChosen(); // resumes the timer when done
        return;
    }
    m_timer->setEnabled(true);
}

void WatchListKeeper::close()
{
    m_timer->setEnabled(false);
    m_closing = true;
}

QStringList WatchListKeeper::fileRows() const
{
    QStringList rows;
    rows.reserve(m_list.size() + 1);
    for (const WatchList::Entry &entry : m_list.entries())
        rows.append(entry.symbol);
    rows.append(QString()); // the spare row is written too
    return rows;
}

void WatchListKeeper::save()
{
    QString failure = m_unreadableFile.isEmpty()
                          ? QString()
                          : tr("it could not be read at start-up (%1), so it is left as it was").arg(m_unreadableFile);
    if (failure.isEmpty()) {
        QDir().mkpath(QFileInfo(m_scripsPath).absolutePath()); // the user's data folder, made when first needed
        failure = ScripsFile::save(m_scripsPath, fileRows());
    }
    if (failure.isEmpty())
        return;
    qCDebug(lcList) << "saving" << m_scripsPath << "failed:" << failure;
    emit saveFailed(tr("The watch list could not be saved to \"%1\": %2.\n\n"
                       "The list is kept in this window; the file still holds the list as it was last saved.")
                        .arg(m_scripsPath, failure));
}
