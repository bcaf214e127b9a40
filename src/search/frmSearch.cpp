#include "search/frmSearch.h"

#include "search/SearchLog.h"
#include "search/SearchReply.h"
#include "search/SearchRequest.h"
#include "search/SearchText.h"
#include "watch/SpreadGrid.h"
#include "web/ServiceAddress.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <limits>

namespace {

QList<GridModel::ColumnSpec> resultColumns()
{
    using Kind = GridModel::CellKind;
    return {
        {QStringLiteral("Scrip"), Kind::Text, 0, 15.08},
        {QStringLiteral("Company Name"), Kind::Text, 0, 38.75},
    };
}

QPushButton *button(const QString &caption, const QString &name, QRect geometry, QWidget *parent)
{
    auto *pushButton = new QPushButton(caption, parent);
    pushButton->setObjectName(name);
    pushButton->setGeometry(geometry);
    // No default button: Enter acts only through the text box's key release.
    pushButton->setAutoDefault(false);
    pushButton->setDefault(false);
    return pushButton;
}

// The label's place was laid out for a narrower font than most systems have:
// a slightly smaller size keeps the whole text readable in it.
void fitTextToWidth(QLabel *label)
{
    QFont font = label->font();
    while (QFontMetrics(font).horizontalAdvance(label->text()) > label->width() && font.pointSizeF() > 6.5)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    label->setFont(font);
}

} // namespace

frmSearch::frmSearch(QWidget *owner, UrlFetch fetch)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint)
    , m_fetch(std::move(fetch))
{
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(QStringLiteral("Search Scrip"));
    setModal(true);
    setFixedSize(591, 216);
    QFont designFont = font();
    designFont.setPointSizeF(8.25);
    setFont(designFont);
    setGeometry(184, 250, 591, 216); // the client area's fixed place on the screen
    createControls();
    OnDialogLoad();
}

void frmSearch::createControls()
{
    Label1 = new QLabel(QStringLiteral("Enter atleast 3 letters to search:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(4, 12, 149, 13);
    fitTextToWidth(Label1);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(156, 8, 151, 21);
    Text1->setMaxLength(std::numeric_limits<int>::max()); // no length limit
    Text1->installEventFilter(this);
    connect(Text1, &QLineEdit::textChanged, this, &frmSearch::applySearchEnableRule);

    Command1 = button(QStringLiteral("Search"), QStringLiteral("Command1"), QRect(312, 6, 81, 25), this);
    connect(Command1, &QPushButton::clicked, this, &frmSearch::runSearch);

    fpSpread1 = new SpreadGrid(resultColumns(), this);
    fpSpread1->setObjectName(QStringLiteral("fpSpread1"));
    fpSpread1->setGeometry(4, 40, 488, 170);
    connect(fpSpread1, &SpreadGrid::cellActivated, this, &frmSearch::runAdd);

    OKButton = button(QStringLiteral("Add"), QStringLiteral("OKButton"), QRect(504, 42, 81, 25), this);
    connect(OKButton, &QPushButton::clicked, this, &frmSearch::runAdd);

    CancelButton = button(QStringLiteral("&Close"), QStringLiteral("CancelButton"), QRect(504, 78, 81, 25), this);
    connect(CancelButton, &QPushButton::clicked, this, &frmSearch::runClose);

    setTabOrder(Text1, Command1);
    setTabOrder(Command1, fpSpread1);
    setTabOrder(fpSpread1, OKButton);
    setTabOrder(OKButton, CancelButton);
    Label1->setFocusPolicy(Qt::NoFocus);
    Text1->setFocus();
}

void frmSearch::OnDialogLoad()
{
    fpSpread1->grid()->setRowCount(0);
    sScrip.clear();
    Text1->clear();
    Text1->setFocus();
    Command1->setEnabled(false);
    OKButton->setEnabled(false);
    CancelButton->setEnabled(true);
}

void frmSearch::applySearchEnableRule()
{
    Command1->setEnabled(SearchText::enablesSearch(Text1->text()));
}

void frmSearch::runSearch()
{
    const int serial = ++m_searchSerial;
    const std::optional<QString> base = ServiceAddress::base(); // none: a failed fetch
    const QString url = base ? SearchRequest::url(*base, SearchText::fromBox(Text1->text())) : QString();
    const QPointer<frmSearch> self(this);
    const UrlFetch fetch = m_fetch; // this dialog may go while the fetch waits
    const QString reply = url.isEmpty() ? QString() : fetch(url);
    // Destroyed, closed, or overtaken by a newer search while the fetch waited:
    // the reply has no place to go.
    if (!self)
        return;
    if (serial != m_searchSerial || !isVisible()) {
        qCDebug(lcSearch) << "search reply dropped: a newer search or a close came first," << url;
        return;
    }
    showResults(reply);
}

void frmSearch::showResults(const QString &reply)
{
    GridModel *grid = fpSpread1->grid();
    GridModel::Batch batch(*grid);
    grid->setRowCount(0);
    for (const SearchResult &result : SearchReply::parse(reply)) {
        const int row = grid->rowCount() + 1;
        grid->setRowCount(row);
        grid->setText(row, 1, result.code);
        grid->setText(row, 2, result.companyName);
    }
    OKButton->setEnabled(grid->rowCount() >= 1);
}

void frmSearch::runAdd()
{
    // Neither the button's state nor the row count is tested: a row that is
    // not there gives "" and the caller adds nothing.
    sScrip = fpSpread1->grid()->text(fpSpread1->activeRow(), 1);
    hide();
}

void frmSearch::runClose()
{
    hide();
    sScrip.clear();
}

bool frmSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        applySearchEnableRule();
        if (!key->isAutoRepeat() && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
            runSearch();
    }
    return QDialog::eventFilter(watched, event);
}

void frmSearch::keyPressEvent(QKeyEvent *event)
{
    // Esc does nothing here, and Enter has no default button to press.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmSearch::closeEvent(QCloseEvent *event)
{
    // The close box: the next opening starts as a fresh dialog would.
    QDialog::closeEvent(event);
    if (event->isAccepted())
        OnDialogLoad();
}

void frmSearch::showEvent(QShowEvent *event)
{
    ++m_searchSerial;
    QDialog::showEvent(event);
}

void frmSearch::hideEvent(QHideEvent *event)
{
    ++m_searchSerial;
    QDialog::hideEvent(event);
}
