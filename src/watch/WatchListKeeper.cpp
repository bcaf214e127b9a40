#include "watch/WatchListKeeper.h"

#include "watch/GridModel.h"
#include "watch/ListFileWatch.h"
#include "watch/ListLog.h"
#include "watch/ListPreread.h"
#include "watch/ListReload.h"
#include "watch/ScripsFile.h"
#include "watch/SwitchTimer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

constexpr int kLoadSliceMs = 10;   // a long list is shown in slices this long, with events between them
constexpr int kQuietRemovals = 16; // more rows removed from amid the list are told to views as one reset

} // namespace

WatchListKeeper::WatchListKeeper(const QString &scripsPath, GridModel *grid, int symbolColumn, QObject *parent)
    : QObject(parent)
    , m_scripsPath(scripsPath)
    , m_grid(grid)
    , m_symbolColumn(symbolColumn)
    , m_timer(new SwitchTimer(this))
    , m_fileWatch(new ListFileWatch(scripsPath, this))
{
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(kRefreshIntervalMs);
    m_timer->setTimerType(Qt::PreciseTimer); // a coarse timer may tick up to 5% early
    connect(m_timer, &QTimer::timeout, this, &WatchListKeeper::refreshTick);
    connect(m_fileWatch, &ListFileWatch::changed, this, &WatchListKeeper::fileChanged);
}

WatchListKeeper::~WatchListKeeper() = default;

void WatchListKeeper::setEarlyRead(std::unique_ptr<ListPreread> read)
{
    m_earlyRead = std::move(read);
}

void WatchListKeeper::load()
{
    m_grid->setRowCount(0);
    m_list.clear();
    ScripsFile::removeStaleTemporaries(m_scripsPath);
    m_fileWatch->see(); // before reading: a change from here on is caught once the list is shown
    ScripsFile::Loaded loaded = m_earlyRead ? m_earlyRead->take() : ScripsFile::load(m_scripsPath);
    const ListPreread::Extras early = m_earlyRead ? m_earlyRead->extras() : ListPreread::Extras();
    m_earlyRead.reset();
    const QPointer<WatchListKeeper> self(this);
    if (!loaded.failure.isEmpty()) {
        qCDebug(lcList) << "the list" << m_scripsPath << "cannot be read:" << loaded.failure;
        m_unreadableFile = loaded.failure;
        emit loadFailed(
            tr("The watch list \"%1\" cannot be read: %2.\n\nTickerloom starts with an empty list and "
               "leaves that file exactly as it is: changes made while it cannot be read are not saved to it.")
                .arg(QDir::toNativeSeparators(m_scripsPath), loaded.failure));
        if (!self)
            return;
    }
    m_fileScrips = loaded.scrips;
    if (!early.watchList.isEmpty() && m_refreshes.upcoming)
        m_refreshes.upcoming(early.watchList, early.differ); // a reload below makes another list
    const qsizetype scrips = loaded.scrips.size();
    if (!appendLoaded(std::exchange(loaded.scrips, {})))
        return;
    if (!early.watchList.isEmpty() && m_list.size() == scrips) // none deleted between the slices
        m_list.useText(early.watchList);
    qCDebug(lcList) << "loaded" << m_list.size() << "scrips from" << m_scripsPath;
    // The spare row comes before the first refresh: the window may be shown
    // while that refresh waits, and an add fills the spare row.
    m_grid->setRowCount(m_grid->rowCount() + 1);
    // Watched before the first refresh waits: an add made meanwhile must keep
    // a hand edit made meanwhile too.
    m_watching = true;
    m_fileWatch->arm();
    catchUpWithFile(); // a change made while the list loaded
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

// Each entry takes the identity of the row that shows it.
void WatchListKeeper::showAppended(std::span<const QString> symbols)
{
    const int first = m_grid->rowCount() + 1;
    m_grid->appendRows(m_symbolColumn, symbols);
    for (size_t i = 0; i < symbols.size(); ++i)
        m_list.append(symbols[i], m_grid->rowId(first + int(i)));
}

WatchListKeeper::Added WatchListKeeper::add(const QString &symbol)
{
    if (symbol.isEmpty())
        return Added::Nothing;
    catchUpWithFile(); // the file may hold the scrip already, and a save must keep what it holds
    if (m_list.contains(symbol))
        return Added::AlreadyListed;
    if (m_list.isFull())
        return Added::ListFull;
    m_timer->setEnabled(false);
    const int row = m_grid->rowCount(); // the spare row receives the scrip
    m_grid->setRowCount(row + 1);
    m_grid->setText(row, m_symbolColumn, symbol);
    const quint64 added = m_grid->rowId(row);
    m_list.append(symbol, added);

    // Saved before the first fetch waits, so that the file holds the list
    // whatever happens meanwhile; deletes chosen from here on wait.
    const QPointer<WatchListKeeper> self(this);
    ++m_refreshesRunning;
    save();
    if (!self)
        return Added::Added;
    const int now = m_list.indexOf(added) + 1; // 0: a reload of the file dropped it meanwhile
    if (now > 0 && m_refreshes.oneRow)
        m_refreshes.oneRow(now, true);
    if (!self)
        return Added::Added;
    --m_refreshesRunning;
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
    catchUpWithFile(); // a save must keep what the file holds
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

QStringList WatchListKeeper::symbols() const
{
    QStringList symbols;
    symbols.reserve(m_list.size() + 1); // and the spare row, when saved
    for (const WatchList::Entry &entry : m_list.entries())
        symbols.append(entry.symbol);
    return symbols;
}

void WatchListKeeper::save()
{
    QString failure = m_unreadableFile.isEmpty()
                          ? QString()
                          : tr("it could not be read (%1), so it is left as it was").arg(m_unreadableFile);
    if (failure.isEmpty()) {
        QDir().mkpath(QFileInfo(m_scripsPath).absolutePath()); // the user's data folder, made when first needed
        QStringList rows = symbols();
        rows.append(QString()); // the spare row is written too
        failure = ScripsFile::save(m_scripsPath, rows);
        if (failure.isEmpty()) {
            rows.removeLast();
            m_fileScrips = std::move(rows);
            if (m_watching)
                m_fileWatch->arm(); // the folder may be new
            return;
        }
    }
    qCDebug(lcList) << "saving" << m_scripsPath << "failed:" << failure;
    emit saveFailed(tr("The watch list could not be saved to \"%1\": %2.\n\n"
                       "The list is kept in this window; the file still holds the list as it was last saved.")
                        .arg(m_scripsPath, failure));
}

// Before a change is saved: the file may have changed since it was last seen.
void WatchListKeeper::catchUpWithFile()
{
    if (m_watching && !m_closing && m_fileWatch->takeChange())
        readFileAgain();
}

// A list that came by hand to a program that started with none is refreshed
// too; a running timer keeps its interval.
void WatchListKeeper::fileChanged()
{
    readFileAgain();
    if (m_watching && m_list.size() > 0 && !m_timer->isEnabled())
        resumeTimer();
}

// Shows what the file holds now, when another hand changed its list. The
// program's own saves read back as the list it wrote, and change nothing.
void WatchListKeeper::readFileAgain()
{
    if (!m_watching || m_closing)
        return;
    ScripsFile::Loaded loaded = ScripsFile::load(m_scripsPath);
    if (!loaded.found) {
        qCDebug(lcList) << "the list file is gone; the list stays and is written at the next change";
        return;
    }
    if (!loaded.failure.isEmpty()) {
        becameUnreadable(loaded.failure);
        return;
    }
    if (loaded.scrips == m_fileScrips && m_unreadableFile.isEmpty())
        return;
    reloadFrom(loaded.scrips);
}

// The list in the window stays, and the file is not replaced while it
// cannot be read. Said once, and after the change that brought it: a message
// waits, and the add or delete that found it must not wait inside.
void WatchListKeeper::becameUnreadable(const QString &failure)
{
    const bool news = m_unreadableFile.isEmpty();
    m_unreadableFile = failure;
    qCDebug(lcList) << "the list" << m_scripsPath << "cannot be read any more:" << failure;
    if (!news)
        return;
    const QString message = tr("The watch list \"%1\" cannot be read any more: %2.\n\nThe list stays in this window, "
                               "and that file is left exactly as it is: changes made now are not saved to it.")
                                .arg(QDir::toNativeSeparators(m_scripsPath), failure);
    QTimer::singleShot(0, this, [this, message] { emit loadFailed(message); });
}

// The file's list, and after it what the window holds that was never saved
// (the file could not be read or written then), which is saved now.
void WatchListKeeper::reloadFrom(const QStringList &scrips)
{
    QStringList wanted = scrips;
    const QSet<QString> inFile(m_fileScrips.cbegin(), m_fileScrips.cend());
    const QSet<QString> inNewFile(scrips.cbegin(), scrips.cend());
    bool unsaved = false;
    for (const WatchList::Entry &entry : m_list.entries()) {
        if (inFile.contains(entry.symbol) || inNewFile.contains(entry.symbol) || wanted.size() >= WatchList::kMaxScrips)
            continue;
        wanted.append(entry.symbol);
        unsaved = true;
    }
    qCDebug(lcList) << "the list file was changed by another hand: it holds" << scrips.size() << "scrips";
    m_fileScrips = scrips;
    m_unreadableFile.clear();
    showList(wanted);
    if (unsaved)
        save();
}

// Turns the rows shown into the wanted list, keeping the rows that can stay.
void WatchListKeeper::showList(const QStringList &wanted)
{
    const ListReload::Plan plan = ListReload::plan(symbols(), wanted);
    const auto lastKept = std::find(plan.keep.rbegin(), plan.keep.rend(), true);
    const int tail = int(plan.keep.rend() - lastKept); // the rows from here on all go, and the spare row
    const auto removedAmid = std::count(plan.keep.begin(), plan.keep.begin() + tail, false);
    std::optional<GridModel::Batch> quiet;
    if (removedAmid > kQuietRemovals)
        quiet.emplace(*m_grid);
    for (int index = m_list.size() - 1; index >= tail; --index)
        m_list.remove(m_list.entries()[size_t(index)].id);
    m_grid->setRowCount(tail);
    for (int index = tail - 1; index >= 0; --index) {
        if (plan.keep[size_t(index)])
            continue;
        m_list.remove(m_list.entries()[size_t(index)].id);
        m_grid->deleteRow(index + 1);
        m_grid->setRowCount(m_grid->rowCount() - 1);
    }
    showAppended(std::span<const QString>(wanted.constData(), size_t(wanted.size())).subspan(size_t(plan.appendFrom)));
    m_grid->setRowCount(m_grid->rowCount() + 1); // the spare row
}
