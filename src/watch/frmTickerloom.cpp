#include "watch/frmTickerloom.h"

#include "search/frmSearch.h"
#include "watch/GridFit.h"
#include "watch/ListPreread.h"
#include "watch/ProgramIcon.h"
#include "watch/QuoteGridColumns.h"
#include "watch/SpreadGrid.h"
#include "watch/StatusLine.h"
#include "watch/SwitchTimer.h"
#include "watch/TrendPictures.h"
#include "watch/WatchListKeeper.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>

namespace {

const QString kTitle = QStringLiteral("Tickerloom");

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
    , m_searchFetch(textFetchOf(fetch))
{
    // Read while the controls are built: reading a long list takes about as long.
    auto earlyRead = std::make_unique<ListPreread>(scripsPath);
    setObjectName(QStringLiteral("frmTickerloom"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(QPixmap::fromImage(ProgramIcon::image())));
    resize(950, 332);
    QFont designFont = font();
    designFont.setPointSizeF(8.25);
    setFont(designFont);
    createControls();
    m_keeper = new WatchListKeeper(scripsPath, fpSpread1->grid(), QuoteGridColumns::Symbol, this);
    m_keeper->setEarlyRead(std::move(earlyRead));
    wireQuoteGrid(std::move(fetch));
    connect(m_keeper, &WatchListKeeper::loadFailed, this,
            [this](const QString &message) { showMessage(QMessageBox::Warning, message); });
    connect(m_keeper, &WatchListKeeper::saveFailed, this,
            [this](const QString &message) { showMessage(QMessageBox::Warning, message); });
}

frmTickerloom::~frmTickerloom() = default;

void frmTickerloom::createControls()
{
    Command1 = new QPushButton(QStringLiteral("Add Scrip"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(10, 22, 79, 22);
    connect(Command1, &QPushButton::clicked, this, &frmTickerloom::OnAddScrip);

    // The free space right of the button says how current the prices are.
    lblStatus = new StatusLine(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setGeometry(100, 22, 840, 22);

    m_showWhileWaiting = new QTimer(this);
    m_showWhileWaiting->setSingleShot(true);
    connect(m_showWhileWaiting, &QTimer::timeout, this, [this] { show(); });

    fpSpread1 = new SpreadGrid(QuoteGridColumns::specs(), this);
    fpSpread1->setObjectName(QStringLiteral("fpSpread1"));
    fpSpread1->setGeometry(0, 62, 948, 370);
    connect(fpSpread1, &SpreadGrid::rightClicked, this, &frmTickerloom::onGridRightClick);
    connect(fpSpread1, &SpreadGrid::deletePressed, this, &frmTickerloom::onDeleteKey);

    Image2 = hiddenPicture(QStringLiteral("Image2"), TrendPictures::up(), QRect(16, 0, 15, 15), this);
    Image1 = hiddenPicture(QStringLiteral("Image1"), TrendPictures::down(), QRect(0, 0, 15, 15), this);
    createMenu();

    setTabOrder(fpSpread1, Command1);
    fpSpread1->setFocus();
}

void frmTickerloom::createMenu()
{
    mnuTickerloom = new QMenu(kTitle, this);
    mnuTickerloom->setObjectName(QStringLiteral("mnuTickerloom"));
    mnuDelete = mnuTickerloom->addAction(QStringLiteral("Delete"));
    mnuDelete->setObjectName(QStringLiteral("mnuDelete"));
    connect(mnuDelete, &QAction::triggered, this, &frmTickerloom::OnDeleteScrip);
}

void frmTickerloom::wireQuoteGrid(QuoteRefresher::Fetch fetch)
{
    GridModel *grid = fpSpread1->grid();
    const int upPicture = grid->addPicture(Image2->pixmap().toImage(), tr("up"));
    const int downPicture = grid->addPicture(Image1->pixmap().toImage(), tr("down"));
    grid->describeColour(QuoteRefresher::kRoseColour, tr("rose"));
    grid->describeColour(QuoteRefresher::kFellColour, tr("fell"));
    grid->describeColour(QuoteRefresher::kSameColour, tr("unchanged"));
    m_refresher = new QuoteRefresher(grid, std::move(fetch), upPicture, downPicture, this);
    grid->setRowToolTip([refresher = m_refresher](int row) { return refresher->rowToolTip(row); });
    grid->setRowMark([refresher = m_refresher](int row) { return refresher->rowNotUpdated(row); },
                     QuoteGridColumns::Symbol);
    connect(m_refresher, &QuoteRefresher::rowMarksChanged, grid, &GridModel::rowMarksChanged);
    connect(m_refresher, &QuoteRefresher::freshnessChanged, lblStatus, &StatusLine::setStatus);
    m_keeper->setRefreshes({
        [refresher = m_refresher](const QString &list, bool first) { refresher->RefreshQuotes(list, first); },
        [refresher = m_refresher](int row, bool first) { refresher->RefreshQuoteRow(row, first); },
        [refresher = m_refresher](const QString &list, bool distinct) { refresher->expectList(list, true, distinct); },
    });
}

void frmTickerloom::OnWindowLoad()
{
    m_start = Start::Reading;
    const QPointer<frmTickerloom> self(this);
    const QMetaObject::Connection listed = connect(m_keeper, &WatchListKeeper::listed, this, &frmTickerloom::onListed);
    m_keeper->load();
    if (!self)
        return;
    disconnect(listed);
    m_showWhileWaiting->stop();
    m_start = Start::Done;
}

// A start-up refresh that waits long for the service must not look like a
// program that never started: the window shows with the list, waiting.
void frmTickerloom::onListed()
{
    m_start = Start::Listed;
    m_showWhileWaiting->start(kShowWhileWaitingMs);
    if (std::exchange(m_frontAsked, false))
        bringToFront();
}

const QString &frmTickerloom::watchListText() const
{
    return m_keeper->list().text();
}

bool frmTickerloom::isClosing() const
{
    return m_keeper->isClosing();
}

QString frmTickerloom::scripsPath() const
{
    return m_keeper->scripsPath();
}

// The window may go while a message box waits, taking the box with it.
void frmTickerloom::showMessage(QMessageBox::Icon icon, const QString &text)
{
    const QPointer<QMessageBox> box = new QMessageBox(icon, kTitle, text, QMessageBox::Ok, this);
    box->exec();
    delete box.data();
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

void frmTickerloom::closeEvent(QCloseEvent *event)
{
    OnWindowClose();
    event->accept();
}

void frmTickerloom::OnWindowClose()
{
    m_keeper->close();
    m_refresher->setClosing();
    // Ends every event loop, the waits of pending fetches included.
    QCoreApplication::exit(0);
}

void frmTickerloom::bringToFront()
{
    // Before the list stands in the grid the window would take an add into a half-read list.
    if (m_start == Start::Reading) {
        m_frontAsked = true;
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmTickerloom::OnAddScrip()
{
    if (!m_search)
        m_search = new frmSearch(this, m_searchFetch);
    m_search->sScrip.clear();
    const QPointer<frmTickerloom> self(this);
    m_search->exec();
    if (!self || isClosing())
        return;
    addScrip(m_search ? m_search->sScrip : QString());
}

bool frmTickerloom::addScrip(const QString &sScrip)
{
    const QPointer<frmTickerloom> self(this);
    switch (m_keeper->add(sScrip)) {
    case WatchListKeeper::Added::Nothing:
        return false;
    case WatchListKeeper::Added::AlreadyListed:
        showMessage(QMessageBox::NoIcon, QStringLiteral("Scrip already added"));
        return false;
    case WatchListKeeper::Added::ListFull:
        showMessage(QMessageBox::Information, tr("The watch list holds at most %L1 scrips. Delete one to add %2.")
                                                  .arg(WatchList::kMaxScrips)
                                                  .arg(sScrip));
        return false;
    case WatchListKeeper::Added::Added:
        break;
    }
    if (self && m_search) {
        m_search->deleteLater(); // the next "Add Scrip" opens a fresh dialog
        m_search = nullptr;
    }
    return true;
}

void frmTickerloom::onGridRightClick(int, int row, const QPoint &globalPos)
{
    // The spare row, the header and the empty area below the rows hold no scrip.
    if (row < 1 || row > m_keeper->list().size())
        return;
    fpSpread1->selectBlock(1, row, QuoteGridColumns::kCount, row);
    mnuTickerloom->popup(globalPos);
}

void frmTickerloom::onDeleteKey(int row)
{
    if (row < 1 || row > m_keeper->list().size())
        return;
    fpSpread1->selectBlock(1, row, QuoteGridColumns::kCount, row);
    OnDeleteScrip();
}

// Bound to the entry of the grid's active row when chosen, and carried out
// once no refresh runs: a refresh that is waiting for the network ends first.
void frmTickerloom::OnDeleteScrip()
{
    m_keeper->chooseDelete(fpSpread1->activeRow());
}
