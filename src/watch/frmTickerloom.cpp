#include "watch/frmTickerloom.h"

#include "search/frmSearch.h"
#include "watch/GridFit.h"
#include "watch/ListLog.h"
#include "watch/ProgramIcon.h"
#include "watch/QuoteGridColumns.h"
#include "watch/ScripsFile.h"
#include "watch/SpreadGrid.h"
#include "watch/SwitchTimer.h"
#include "watch/TrendPictures.h"
#include "web/FetchUrl.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>

namespace {

const QString kTitle = QStringLiteral("Tickerloom");
constexpr int kRefreshIntervalMs = 5000;
constexpr int kLoadSliceMs = 10; // a long list is loaded in slices this long, with events between them

QLabel *hiddenPicture(const QString &name, const QImage &picture, QRect geometry, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(QPixmap::fromImage(picture));
    label->setGeometry(geometry);
    label->hide();
    return label;
}

} // namespace

frmTickerloom::frmTickerloom(const QString &scripsPath, QuoteRefresher::Fetch fetch, QWidget *parent)
    : QWidget(parent)
    , m_scripsPath(scripsPath)
{
    setObjectName(QStringLiteral("frmTickerloom"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(QPixmap::fromImage(ProgramIcon::image())));
    resize(950, 332);
    QFont designFont = font();
    designFont.setPointSizeF(8.25);
    setFont(designFont);
    createControls();

    GridModel *grid = fpSpread1->grid();
    const int upPicture = grid->addPicture(Image2->pixmap().toImage(), tr("up"));
    const int downPicture = grid->addPicture(Image1->pixmap().toImage(), tr("down"));
    grid->describeColour(QuoteRefresher::kRoseColour, tr("rose"));
    grid->describeColour(QuoteRefresher::kFellColour, tr("fell"));
    grid->describeColour(QuoteRefresher::kSameColour, tr("unchanged"));
    m_refresher = new QuoteRefresher(grid, fetch ? std::move(fetch) : QuoteRefresher::Fetch(FetchUrl), upPicture,
                                     downPicture, this);
}

frmTickerloom::~frmTickerloom() = default;

void frmTickerloom::createControls()
{
    Timer1 = new SwitchTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kRefreshIntervalMs);
    Timer1->setTimerType(Qt::PreciseTimer); // a coarse timer may tick up to 5% early
    connect(Timer1, &QTimer::timeout, this, &frmTickerloom::OnRefreshTick);

    Command1 = new QPushButton(QStringLiteral("Add Scrip"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(10, 22, 79, 22);
    connect(Command1, &QPushButton::clicked, this, &frmTickerloom::OnAddScrip);

    fpSpread1 = new SpreadGrid(QuoteGridColumns::specs(), this);
    fpSpread1->setObjectName(QStringLiteral("fpSpread1"));
    fpSpread1->setGeometry(0, 62, 948, 370);
    connect(fpSpread1, &SpreadGrid::rightClicked, this, &frmTickerloom::onGridRightClick);

    Image2 = hiddenPicture(QStringLiteral("Image2"), TrendPictures::up(), QRect(16, 0, 15, 15), this);
    Image1 = hiddenPicture(QStringLiteral("Image1"), TrendPictures::down(), QRect(0, 0, 15, 15), this);

    mnuTickerloom = new QMenu(kTitle, this);
    mnuTickerloom->setObjectName(QStringLiteral("mnuTickerloom"));
    mnuDelete = mnuTickerloom->addAction(QStringLiteral("Delete"));
    mnuDelete->setObjectName(QStringLiteral("mnuDelete"));
    connect(mnuDelete, &QAction::triggered, this, &frmTickerloom::OnDeleteScrip);

    setTabOrder(fpSpread1, Command1);
    fpSpread1->setFocus();
}

void frmTickerloom::OnWindowLoad()
{
    GridModel *grid = fpSpread1->grid();
    grid->setLocked(true);
    grid->setRowCount(0);
    m_watchList.clear();
    // The first refresh needs no count of running refreshes: the window is
    // shown only after it, so nothing can add, delete or tick meanwhile.
    const QPointer<frmTickerloom> self(this);
    LoadScrips();
    if (!self)
        return;
    grid->setRowCount(grid->RowCount() + 1); // the spare row
    if (grid->RowCount() > 1)
        resumeTimer();
}

void frmTickerloom::LoadScrips()
{
    GridModel *grid = fpSpread1->grid();
    grid->setRowCount(0);
    ScripsFile::removeStaleTemporaries(m_scripsPath);
    QFile file(m_scripsPath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcList) << "no list loaded from" << m_scripsPath << ":" << file.errorString();
        return; // no list yet: the first add creates the file
    }
    bool readWhole = false;
    const auto readLines = [&] {
        const QByteArray bytes = file.readAll();
        readWhole = file.error() == QFileDevice::NoError;
        file.close();
        return ScripsFile::lines(bytes);
    };
    // The file's bytes and lines are gone before the first refresh, which needs the memory more.
    if (!appendLoadedScrips(readLines()))
        return;
    qCDebug(lcList) << "loaded" << m_watchList.size() << "scrips from" << m_scripsPath
                    << (readWhole ? "" : "(the read failed part way)");
    if (readWhole)
        RefreshQuotes(true);
}

// Adds the scrips of the file's lines as rows, handling events between slices
// of the work. Each slice's rows arrive in one insertion, so a paint or a
// click between slices always meets a whole model. False when the window
// went meanwhile.
bool frmTickerloom::appendLoadedScrips(const QStringList &lines)
{
    GridModel *grid = fpSpread1->grid();
    const QPointer<frmTickerloom> self(this);
    QStringList slice;
    const auto appendSlice = [&] {
        for (const QString &symbol : std::as_const(slice))
            m_watchList.append(symbol);
        grid->appendRows(QuoteGridColumns::Symbol, slice);
        slice.clear();
    };
    // Reading the clock costs more than taking a line: it is read every so many lines.
    constexpr qsizetype kLinesPerClockReading = 64;
    QElapsedTimer sliceTime;
    sliceTime.start();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (ScripsFile::holdsScrip(lines[i]))
            slice.append(lines[i]);
        if (i % kLinesPerClockReading == 0 && sliceTime.hasExpired(kLoadSliceMs)) {
            appendSlice();
            QCoreApplication::processEvents();
            if (!self)
                return false;
            sliceTime.restart();
        }
    }
    appendSlice();
    return true;
}

void frmTickerloom::SaveScrips()
{
    const GridModel *grid = fpSpread1->grid();
    QStringList rows;
    rows.reserve(grid->RowCount());
    for (int row = 1; row <= grid->RowCount(); ++row)
        rows.append(grid->text(row, QuoteGridColumns::Symbol));
    QDir().mkpath(QFileInfo(m_scripsPath).absolutePath()); // the user's data folder, made when first needed
    const QString failure = ScripsFile::save(m_scripsPath, rows);
    if (failure.isEmpty())
        return;
    qCDebug(lcList) << "saving" << m_scripsPath << "failed:" << failure;
    showMessage(QMessageBox::Warning,
                tr("The watch list could not be saved to \"%1\": %2.\n\n"
                   "The list is kept in this window; the file still holds the list as it was last saved.")
                    .arg(m_scripsPath, failure));
}

// The window may go while a message box waits, taking the box with it.
void frmTickerloom::showMessage(QMessageBox::Icon icon, const QString &text)
{
    const QPointer<QMessageBox> box = new QMessageBox(icon, kTitle, text, QMessageBox::Ok, this);
    box->exec();
    delete box.data();
}

void frmTickerloom::RefreshQuotes(bool FirstFetch)
{
    m_refresher->RefreshQuotes(m_watchList.text(), FirstFetch);
}

void frmTickerloom::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    OnWindowResize();
}

void frmTickerloom::OnWindowResize()
{
    const GridFit::Fit fit = GridFit::fit(frameGeometry().size(), fpSpread1->y());
    if (!fit.height)
        return; // minimised or very small: the grid keeps its last size
    fpSpread1->resize(fpSpread1->width(), *fit.height);
    if (fit.width)
        fpSpread1->resize(*fit.width, fpSpread1->height());
}

void frmTickerloom::OnRefreshTick()
{
    Timer1->setEnabled(false);
    ++m_refreshesRunning;
    const QPointer<frmTickerloom> self(this);
    RefreshQuotes(false);
    if (!self)
        return;
    --m_refreshesRunning;
    resumeTimer();
}

// The timer stays off while any refresh runs, so refreshes never overlap, and
// the next tick comes a whole interval after the last refresh ended. Deletes
// chosen meanwhile run first.
void frmTickerloom::resumeTimer()
{
    if (isClosing() || m_refreshesRunning > 0)
        return;
    if (!m_pendingDeletes.empty()) {
        deleteChosenRows(); // resumes the timer when done
        return;
    }
    Timer1->setEnabled(true);
}

void frmTickerloom::closeEvent(QCloseEvent *event)
{
    OnWindowClose();
    event->accept();
}

void frmTickerloom::OnWindowClose()
{
    Timer1->setEnabled(false);
    m_refresher->setClosing();
    // Ends every event loop, the waits of pending fetches included.
    QCoreApplication::exit(0);
}

void frmTickerloom::OnAddScrip()
{
    if (!m_search)
        m_search = new frmSearch(this);
    m_search->sScrip.clear();
    const QPointer<frmTickerloom> self(this);
    m_search->exec();
    if (!self || isClosing())
        return;
    addScrip(m_search ? m_search->sScrip : QString());
}

bool frmTickerloom::addScrip(const QString &sScrip)
{
    if (sScrip.isEmpty())
        return false;
    if (m_watchList.contains(sScrip)) {
        showMessage(QMessageBox::NoIcon, QStringLiteral("Scrip already added"));
        return false;
    }
    if (m_watchList.size() >= WatchList::kMaxScrips) {
        showMessage(QMessageBox::Information, tr("The watch list holds at most %L1 scrips. Delete one to add %2.")
                                                  .arg(WatchList::kMaxScrips)
                                                  .arg(sScrip));
        return false;
    }
    Timer1->setEnabled(false);
    GridModel *grid = fpSpread1->grid();
    const int row = grid->RowCount(); // the spare row receives the scrip
    grid->setRowCount(row + 1);
    grid->setText(row, QuoteGridColumns::Symbol, sScrip);
    m_watchList.append(sScrip);

    const QPointer<frmTickerloom> self(this);
    ++m_refreshesRunning;
    m_refresher->RefreshQuoteRow(row, true);
    if (!self)
        return true;
    --m_refreshesRunning;
    SaveScrips();
    if (!self)
        return true;
    if (m_search)
        m_search->deleteLater(); // the next "Add Scrip" opens a fresh dialog
    m_search = nullptr;
    resumeTimer();
    return true;
}

void frmTickerloom::onGridRightClick(int, int row, const QPoint &globalPos)
{
    const GridModel *grid = fpSpread1->grid();
    // The spare row, the header and the empty area below the rows hold no scrip.
    if (row < 1 || row >= grid->RowCount())
        return;
    fpSpread1->selectBlock(1, row, grid->ColumnCount(), row);
    mnuTickerloom->popup(globalPos);
}

void frmTickerloom::OnDeleteScrip()
{
    // The delete is bound to the row it was chosen on, and carried out once
    // no refresh runs, that is, when the timer is on again: a refresh that is
    // waiting for the network ends first.
    const GridModel *grid = fpSpread1->grid();
    const int row = fpSpread1->activeRow();
    if (row < 1 || row >= grid->RowCount())
        return; // the spare row holds no scrip, and a later add would fill it
    m_pendingDeletes.push_back(grid->rowId(row));
    if (Timer1->isEnabled())
        deleteChosenRows();
}

void frmTickerloom::deleteChosenRows()
{
    Timer1->setEnabled(false);
    GridModel *grid = fpSpread1->grid();
    bool deleted = false;
    while (!m_pendingDeletes.empty()) {
        const int row = grid->rowOf(m_pendingDeletes.front());
        m_pendingDeletes.pop_front();
        if (row < 1 || row >= grid->RowCount())
            continue; // gone meanwhile, or the spare row: nothing to delete
        grid->deleteRow(row);
        grid->setRowCount(grid->RowCount() - 1);
        m_watchList.removeAt(row - 1);
        deleted = true;
    }
    if (deleted) {
        const QPointer<frmTickerloom> self(this);
        SaveScrips();
        if (!self)
            return;
    }
    resumeTimer();
}
