#include "search/frmSearch.h"
#include "watch/SpreadGrid.h"
#include "watch/frmTickerloom.h"

#include "support/FakeHttpServer.h"
#include "support/TestHelpers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class tst_Search : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void searchIsEnabledFromThreeCharacters();
    void enterSearchesEvenWhileSearchIsDisabled();
    void onlyARealEnterReleaseSearches();
    void replyFillsRowsAndEnablesAdd();
    void emptyOrFailedReplyLeavesNoRows();
    void addTakesTheFocusedRow();
    void closeAndEscape();
    void searchClosedWhileWaitingTouchesNothing();
    void dialogKeepsItsStateUntilAScripIsAdded();

private:
    QLineEdit *text() const { return m_dialog->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QPushButton *button(const char *name) const { return m_dialog->findChild<QPushButton *>(QLatin1String(name)); }
    SpreadGrid *results() const { return m_dialog->findChild<SpreadGrid *>(QStringLiteral("fpSpread1")); }
    void typeAndSearch(const QString &typed);

    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<QWidget> m_owner;
    frmSearch *m_dialog = nullptr;
};

void tst_Search::init()
{
    m_server = std::make_unique<FakeHttpServer>();
    qputenv("TICKERLOOM_SERVICE_URL", m_server->baseUrl().toLatin1());
    m_owner = std::make_unique<QWidget>();
    m_dialog = new frmSearch(m_owner.get(), TestHelpers::programFetch(this));
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void tst_Search::cleanup()
{
    m_owner.reset();
    m_server.reset();
    qunsetenv("TICKERLOOM_SERVICE_URL");
}

void tst_Search::typeAndSearch(const QString &typed)
{
    text()->setText(typed);
    button("Command1")->click();
}

void tst_Search::searchIsEnabledFromThreeCharacters()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Search Scrip"));
    QVERIFY(!button("Command1")->isEnabled());
    QVERIFY(!button("OKButton")->isEnabled());
    QVERIFY(button("CancelButton")->isEnabled());
    QCOMPARE(m_dialog->size(), QSize(591, 216));
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize()); // cannot be resized

    QTest::keyClicks(text(), QStringLiteral("ab"));
    QVERIFY(!button("Command1")->isEnabled());
    QTest::keyClicks(text(), QStringLiteral("c"));
    QVERIFY(button("Command1")->isEnabled());
    text()->setText(QStringLiteral("a'b"));
    QVERIFY(!button("Command1")->isEnabled());
    text()->setText(QStringLiteral("  ab  "));
    QVERIFY(!button("Command1")->isEnabled());
}

void tst_Search::enterSearchesEvenWhileSearchIsDisabled()
{
    m_server->setDefaultReply([](const QByteArray &) { return FakeHttpServer::ok(""); });
    QTest::keyClicks(text(), QStringLiteral("ab"));
    QTest::keyClick(text(), Qt::Key_Return);
    QTRY_COMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_server->requestTarget(0), QByteArray("/quote?src=ab&tl=1"));

    text()->setText(QStringLiteral("'''"));
    QTest::keyClick(text(), Qt::Key_Return);
    QTRY_COMPARE(m_server->requests().size(), 2);
    QCOMPARE(m_server->requestTarget(1), QByteArray("/quote?src=&tl=1"));

    text()->setText(QStringLiteral(" Tata  M&M's "));
    QTest::keyClick(text(), Qt::Key_Enter);
    QTRY_COMPARE(m_server->requests().size(), 3);
    QCOMPARE(m_server->requestTarget(2), QByteArray("/quote?src=Tata%20%20M%26Ms&tl=1"));
}

void tst_Search::onlyARealEnterReleaseSearches()
{
    m_server->setDefaultReply([](const QByteArray &) { return FakeHttpServer::ok(""); });
    text()->setText(QStringLiteral("abc"));
    const auto release = [this](bool autoRepeat) {
        QKeyEvent event(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), autoRepeat);
        QApplication::sendEvent(text(), &event);
    };
    release(true); // a held key repeats its releases
    release(true);
    QTest::qWait(100);
    QCOMPARE(m_server->requests().size(), 0);
    release(false);
    QTRY_COMPARE(m_server->requests().size(), 1);
    QTest::qWait(100);
    QCOMPARE(m_server->requests().size(), 1);
}

void tst_Search::replyFillsRowsAndEnablesAdd()
{
    m_server->enqueue(FakeHttpServer::ok("A,Alpha Ltd\r\nB,Beta, Inc\r\nLONE\r\n"));
    typeAndSearch(QStringLiteral("alp"));
    GridModel *grid = results()->grid();
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->text(1, 2), QStringLiteral("Alpha Ltd"));
    QCOMPARE(grid->text(2, 1), QStringLiteral("B"));
    QCOMPARE(grid->text(2, 2), QStringLiteral("Beta"));
    QCOMPARE(grid->text(3, 2), QString());
    QVERIFY(button("OKButton")->isEnabled());
}

void tst_Search::emptyOrFailedReplyLeavesNoRows()
{
    m_server->enqueue(FakeHttpServer::ok("A,Alpha\r\n"));
    m_server->enqueue(FakeHttpServer::ok("\r\n\r\n"));
    m_server->enqueue(FakeHttpServer::ok("A,Alpha\r\n"));
    m_server->enqueue(FakeHttpServer::status(404, "Not Found", "A,Alpha\r\n"));
    typeAndSearch(QStringLiteral("alp"));
    QCOMPARE(results()->grid()->rowCount(), 1);
    typeAndSearch(QStringLiteral("alp"));
    QCOMPARE(results()->grid()->rowCount(), 0);
    QVERIFY(!button("OKButton")->isEnabled());
    typeAndSearch(QStringLiteral("alp"));
    QVERIFY(button("OKButton")->isEnabled());
    typeAndSearch(QStringLiteral("alp"));
    QCOMPARE(results()->grid()->rowCount(), 0);
    QVERIFY(!button("OKButton")->isEnabled());
}

void tst_Search::addTakesTheFocusedRow()
{
    m_server->enqueue(FakeHttpServer::ok("A,Alpha\r\nB,Beta\r\nC,Gamma\r\n"));
    typeAndSearch(QStringLiteral("abc"));
    button("OKButton")->click();
    QCOMPARE(m_dialog->sScrip, QStringLiteral("A"));
    QVERIFY(!m_dialog->isVisible());

    m_dialog->show();
    results()->setFocus();
    QTest::keyClick(results(), Qt::Key_Down);
    QTest::keyClick(results(), Qt::Key_Down);
    button("OKButton")->click();
    QCOMPARE(m_dialog->sScrip, QStringLiteral("C"));

    // A double-click on a cell adds its row too.
    m_dialog->show();
    const QModelIndex second = results()->model()->index(1, 1);
    const QPoint centre = results()->visualRect(second).center();
    QTest::mouseClick(results()->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(results()->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(m_dialog->sScrip, QStringLiteral("B"));
}

void tst_Search::closeAndEscape()
{
    m_dialog->sScrip = QStringLiteral("X");
    QTest::keyClick(text(), Qt::Key_Escape);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(button("CancelButton")->shortcut(), QKeySequence(QStringLiteral("Alt+C")));
    button("CancelButton")->click();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->sScrip, QString());

    // The close box: the next opening is fresh.
    m_dialog->show();
    text()->setText(QStringLiteral("abc"));
    m_dialog->sScrip = QStringLiteral("X");
    QVERIFY(m_dialog->close());
    QCOMPARE(m_dialog->sScrip, QString());
    QCOMPARE(text()->text(), QString());
    QVERIFY(!button("Command1")->isEnabled());
}

void tst_Search::searchClosedWhileWaitingTouchesNothing()
{
    m_server->enqueue(FakeHttpServer::ok("OLD,Old rows\r\n"));
    typeAndSearch(QStringLiteral("old"));
    FakeHttpServer::Reply slow{FakeHttpServer::ok("NEW,New rows\r\n")};
    slow.trickleMs = 5;
    m_server->enqueue(slow);
    connect(m_server.get(), &FakeHttpServer::requestReceived, m_dialog, [this] { button("CancelButton")->click(); });
    typeAndSearch(QStringLiteral("new"));
    QCOMPARE(results()->grid()->text(1, 1), QStringLiteral("OLD"));

    // Destroyed while waiting: the search ends quietly.
    m_server->enqueue(slow);
    m_dialog->show();
    disconnect(m_server.get(), nullptr, m_dialog, nullptr);
    connect(m_server.get(), &FakeHttpServer::requestReceived, m_owner.get(), [this] { m_owner.reset(); });
    typeAndSearch(QStringLiteral("new"));
    QVERIFY(!m_owner);
}

void tst_Search::dialogKeepsItsStateUntilAScripIsAdded()
{
    m_owner.reset(); // this test drives the real window instead
    QTemporaryDir dir;
    m_server->setDefaultReply([](const QByteArray &request) {
        if (request.contains("src="))
            return FakeHttpServer::ok("ABC,Abc Ltd\r\nXYZ,Xyz Ltd\r\n");
        return FakeHttpServer::ok("ABC,1,2,3,(+1%),UP,4,5,6,7,8\r\n");
    });
    frmTickerloom window(dir.filePath(QStringLiteral("Scrips.dat")), TestHelpers::programBytesFetch(this));
    window.OnWindowLoad();
    window.show();

    // Search, then close: the dialog keeps its text and rows.
    TestHelpers::whenDialogOpens(QStringLiteral("frmSearch"), [](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("abc"));
        dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        dialog->findChild<QPushButton *>(QStringLiteral("CancelButton"))->click();
    });
    window.OnAddScrip();
    auto *kept = window.findChild<frmSearch *>();
    QVERIFY(kept);
    QCOMPARE(window.quoteGrid()->grid()->rowCount(), 1);

    // Shown again as it was: pick ABC.
    QString textOnReopen;
    TestHelpers::whenDialogOpens(QStringLiteral("frmSearch"), [&](QWidget *dialog) {
        textOnReopen = dialog->findChild<QLineEdit *>(QStringLiteral("Text1"))->text();
        dialog->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    });
    window.OnAddScrip();
    QCOMPARE(textOnReopen, QStringLiteral("abc"));
    QCOMPARE(window.quoteGrid()->grid()->text(1, 1), QStringLiteral("ABC"));
    QTRY_VERIFY(!window.findChild<frmSearch *>()); // destroyed after the add

    // A fresh dialog; picking ABC again is refused, and the dialog stays.
    TestHelpers::MessageBoxCloser closer;
    TestHelpers::whenDialogOpens(QStringLiteral("frmSearch"), [&](QWidget *dialog) {
        textOnReopen = dialog->findChild<QLineEdit *>(QStringLiteral("Text1"))->text();
        dialog->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("abc"));
        dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        dialog->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    });
    window.OnAddScrip();
    QCOMPARE(textOnReopen, QString());
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("Scrip already added")});
    QVERIFY(window.findChild<frmSearch *>());
    QCOMPARE(window.findChild<frmSearch *>()->findChild<SpreadGrid *>()->grid()->rowCount(), 2);
    QCOMPARE(window.quoteGrid()->grid()->rowCount(), 2);
}

QTEST_MAIN(tst_Search)
#include "tst_search.moc"
