#include "watch/frmTickerloom.h"

#include "search/frmSearch.h"
#include "watch/GridFit.h"
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
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

namespace {

const QString kTitle = QStringLiteral("Tickerloom");
constexpr int kRefreshIntervalMs = 5000;

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
    const int upPicture = grid->addPicture(Image2->pixmap().toImage());
    const int downPicture = grid->addPicture(Image1->pixmap().toImage());
    m_refresher = std::make_unique<QuoteRefresher>(grid, fetch ? std::move(fetch) : QuoteRefresher::Fetch(FetchUrl),
                                                   upPicture, downPicture);
}

frmTickerloom::~frmTickerloom() = default;

void frmTickerloom::createControls()
{
    Timer1 = new SwitchTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kRefreshIntervalMs);
    Timer1->setTimerType(Qt::PreciseTimer); // a coarse timer may tick up to 5% early
    connect(Timer1, &QTimer::timeout, this, &frmTickerloom::OnRefreshTick);
    connect(Timer1, &SwitchTimer::enabledChanged, this, &frmTickerloom::onTimerEnabledChanged);

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
    LoadScrips();
    grid->setRowCount(grid->RowCount() + 1); // the spare row
    if (grid->RowCount() > 1)
        Timer1->setEnabled(true);
}

void frmTickerloom::LoadScrips()
{
    GridModel *grid = fpSpread1->grid();
    grid->setRowCount(0);
    QFile file(m_scripsPath);
    if (!file.open(QIODevice::ReadOnly))
        return; // no list yet: the first add creates the file
    const QByteArray bytes = file.readAll();
    const bool readWhole = file.error() == QFileDevice::NoError;
    file.close();
    {
        GridModel::Batch batch(*grid);
        for (const QString &line : ScripsFile::lines(bytes)) {
            if (ScripsFile::holdsScrip(line)) {
                const int row = grid->RowCount() + 1;
                grid->setRowCount(row);
                grid->setText(row, QuoteRefresher::Symbol, line);
                m_watchList.append(line);
            }
            QCoreApplication::processEvents();
        }
    }
    if (readWhole)
        RefreshQuotes(true);
}

void frmTickerloom::SaveScrips()
{
    const GridModel *grid = fpSpread1->grid();
    QStringList rows;
    rows.reserve(grid->RowCount());
    for (int row = 1; row <= grid->RowCount(); ++row)
        rows.append(grid->text(row, QuoteRefresher::Symbol));
    const QString failure = ScripsFile::save(m_scripsPath, rows);
    if (failure.isEmpty())
        return;
    QMessageBox::warning(this, kTitle,
                         tr("The watch list could not be saved to \"%1\": %2.\n\n"
                            "The list is kept in this window; the file still holds the list as it was last saved.")
                             .arg(m_scripsPath, failure));
}

void frmTickerloom::RefreshQuotes(bool FirstFetch)
{
    m_refresher->RefreshQuotes(m_watchList.text(), FirstFetch, Closing);
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
    // The timer stays off while its own refresh runs, so refreshes never overlap,
    // and the next tick comes a whole interval after this refresh ends.
    Timer1->setEnabled(false);
    const QPointer<frmTickerloom> self(this);
    RefreshQuotes(false);
    if (self && !Closing)
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
    Closing = true;
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
    if (!self || Closing)
        return;
    addScrip(m_search ? m_search->sScrip : QString());
}

bool frmTickerloom::addScrip(const QString &sScrip)
{
    if (sScrip.isEmpty())
        return false;
    if (m_watchList.contains(sScrip)) {
        QMessageBox::information(this, kTitle, QStringLiteral("Scrip already added"));
        return false;
    }
    Timer1->setEnabled(false);
    GridModel *grid = fpSpread1->grid();
    const int row = grid->RowCount(); // the spare row receives the scrip
    grid->setRowCount(row + 1);
    grid->setText(row, QuoteRefresher::Symbol, sScrip);
    m_watchList.append(sScrip);

    const QPointer<frmTickerloom> self(this);
    m_refresher->RefreshQuoteRow(row, true);
    if (!self)
        return true;
    SaveScrips();
    if (m_search)
        m_search->deleteLater(); // the next "Add Scrip" opens a fresh dialog
    m_search = nullptr;
    if (!Closing)
        Timer1->setEnabled(true);
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
    // A timer refresh, or an add, is running: the delete waits for the timer
    // to be enabled again. It waits in the event loop rather than in a loop of
    // its own, which would sit above the running refresh and keep it from ever
    // ending.
    if (!Timer1->isEnabled()) {
        ++m_pendingDeletes;
        return;
    }
    deleteActiveRow();
}

void frmTickerloom::onTimerEnabledChanged(bool enabled)
{
    if (!enabled || m_pendingDeletes == 0 || Closing)
        return;
    --m_pendingDeletes;
    deleteActiveRow();
}

void frmTickerloom::deleteActiveRow()
{
    Timer1->setEnabled(false);
    GridModel *grid = fpSpread1->grid();
    const int row = fpSpread1->activeRow();
    if (row >= 1 && row < grid->RowCount()) {
        grid->deleteRow(row);
        grid->setRowCount(grid->RowCount() - 1);
        m_watchList.removeAt(row - 1);
        const QPointer<frmTickerloom> self(this);
        SaveScrips();
        if (!self || Closing)
            return;
    }
    Timer1->setEnabled(true);
}
