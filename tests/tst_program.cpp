#include "watch/SpreadGrid.h"
#include "watch/frmTickerloom.h"
#include "web/frmData.h"
#include "web/frmTip.h"

#include "support/FakeHttpServer.h"
#include "support/TestHelpers.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

// The whole program against a quote service of the test's own, through the
// real HTTP fetch.
class tst_Program : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsWithAFirstFetchAndRefreshesFiveSecondsLater();
    void addsAScripFoundBySearch();
    void advertisementOpensItsWindowAndTheDataStillArrives();
    void anEndSignalClosesTheProgramAndTidiesUp_data();
    void anEndSignalClosesTheProgramAndTidiesUp();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("Scrips.dat")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeHttpServer> m_server;
};

static QByteArray quoteLine(const QByteArray &symbol, const QByteArray &ltp)
{
    return symbol + ",1.5,2.5," + ltp + ",(+0.53%),UP,3,4,1000,5,6\r\n";
}

void tst_Program::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<FakeHttpServer>();
    qputenv("TICKERLOOM_SERVICE_URL", m_server->baseUrl().toLatin1());
}

void tst_Program::cleanup()
{
    m_server.reset();
    m_dir.reset();
    qunsetenv("TICKERLOOM_SERVICE_URL");
}

void tst_Program::startsWithAFirstFetchAndRefreshesFiveSecondsLater()
{
    TestHelpers::writeFile(path(), "A\r\nB\r\nC\r\n");
    m_server->enqueue(FakeHttpServer::ok(quoteLine("A", "100") + quoteLine("B", "200") + quoteLine("C", "300")));
    m_server->enqueue(FakeHttpServer::ok(quoteLine("A", "101") + quoteLine("B", "199") + quoteLine("C", "300")));

    frmTickerloom window(path(), TestHelpers::programBytesFetch(this));
    window.OnWindowLoad();
    QCOMPARE(m_server->requests().size(), 1); // before the window is shown
    QCOMPARE(m_server->requestTarget(0), QByteArray("/quote?scr=,A,B,C,&tl=1&ft=1"));
    GridModel *grid = window.quoteGrid()->grid();
    QCOMPARE(grid->text(2, 4), QStringLiteral("200.00"));
    QCOMPARE(grid->text(2, 7), QStringLiteral("5.00"));
    window.show();

    const int interval = window.findChild<QTimer *>(QStringLiteral("Timer1"))->interval();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 2, 3 * interval);
    QCOMPARE(m_server->requestTarget(1), QByteArray("/quote?scr=,A,B,C,&tl=1"));
    // The interval starts when the refresh has ended, and the refresh ends
    // after the reply's last byte: never sooner than one interval. A loaded
    // machine may add delays of its own, but never a whole second interval.
    const qint64 gap = m_server->requestTimesMs()[1] - m_server->replyEndTimesMs()[0];
    QVERIFY2(
        gap >= interval - 5 && gap < 2 * interval,
        qPrintable(
            QStringLiteral("next refresh %1 ms after the reply, for an interval of %2 ms").arg(gap).arg(interval)));

    QTRY_COMPARE(grid->text(1, 4), QStringLiteral("101.00"));
    QCOMPARE(grid->backColour(1, 4), 0xFF0000u);
    QCOMPARE(grid->backColour(2, 1), 0x0000FFu);
    QCOMPARE(grid->backColour(3, 4), 0x000000u);
    QCOMPARE(grid->text(2, 7), QStringLiteral("5.00")); // OPEN stays from the first fetch
}

void tst_Program::addsAScripFoundBySearch()
{
    m_server->setDefaultReply([](const QByteArray &request) {
        if (request.startsWith("GET /quote?src=inf&tl=1 "))
            return FakeHttpServer::ok("INFY,Infosys Ltd\r\nINFRATEL,Bharti Infratel\r\n");
        if (request.startsWith("GET /quote?scr=INFRATEL&tl=1&ft=1 "))
            return FakeHttpServer::ok(quoteLine("INFRATEL", "250"));
        return FakeHttpServer::status(400, "Bad Request", "unexpected");
    });
    frmTickerloom window(path(), TestHelpers::programBytesFetch(this));
    window.OnWindowLoad();
    window.show();

    TestHelpers::whenDialogOpens(QStringLiteral("frmSearch"), [](QWidget *dialog) {
        auto *text = dialog->findChild<QLineEdit *>(QStringLiteral("Text1"));
        QTest::keyClicks(text, QStringLiteral("inf"));
        QTest::keyClick(text, Qt::Key_Return);
        auto *results = dialog->findChild<SpreadGrid *>(QStringLiteral("fpSpread1"));
        results->setFocus();
        QTest::keyClick(results, Qt::Key_Down);
        dialog->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    });
    window.findChild<QPushButton *>(QStringLiteral("Command1"))->click();

    GridModel *grid = window.quoteGrid()->grid();
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->text(1, 1), QStringLiteral("INFRATEL"));
    QCOMPARE(grid->text(1, 4), QStringLiteral("250.00"));
    QCOMPARE(grid->text(1, 10), QStringLiteral("6.00"));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("INFRATEL\r\n\r\n"));
    QCOMPARE(window.watchListText(), QStringLiteral(",INFRATEL,"));
}

void tst_Program::advertisementOpensItsWindowAndTheDataStillArrives()
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_dir->path()); // "ad.jpg" goes to the current folder
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG");

    TestHelpers::writeFile(path(), "A\r\n");
    m_server->enqueue(FakeHttpServer::ok(jpeg, "PICS-Label: PICADS example.com\r\n"));
    m_server->enqueue(FakeHttpServer::ok(quoteLine("A", "42")));
    frmTickerloom window(path(), TestHelpers::programBytesFetch(this));
    window.OnWindowLoad();
    QDir::setCurrent(previous);

    QCOMPARE(window.quoteGrid()->grid()->text(1, 4), QStringLiteral("42.00"));
    QCOMPARE(m_server->requestTarget(1), m_server->requestTarget(0)); // the same request again
    frmTip *tip = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *candidate = qobject_cast<frmTip *>(widget); candidate && candidate->isVisible())
            tip = candidate;
    QVERIFY(tip);
    QCOMPARE(tip->StrLink, QStringLiteral("example.com"));
    QVERIFY(tip->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(TestHelpers::readFile(m_dir->filePath(QStringLiteral("ad.jpg"))), jpeg);
    tip->close();
}

void tst_Program::anEndSignalClosesTheProgramAndTidiesUp_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

// The program itself, copied into a folder of its own, where it keeps its list.
void tst_Program::anEndSignalClosesTheProgramAndTidiesUp()
{
    QFETCH(int, signal);
    const QString folder = m_dir->filePath(QStringLiteral("program"));
    const QString runtime = m_dir->filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(QFile::copy(QStringLiteral(TICKERLOOM_PROGRAM), folder + QStringLiteral("/tickerloom")));
    TestHelpers::writeFile(folder + QStringLiteral("/Scrips.dat"), "A\r\n");
    m_server->setDefaultReply([](const QByteArray &) { return FakeHttpServer::ok(quoteLine("A", "100")); });

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder);
    program.start(folder + QStringLiteral("/tickerloom"));
    QVERIFY(program.waitForStarted());
    const QString lock = folder + QStringLiteral("/Scrips.dat.lock");
    const auto sockets = [&] { return QDir(runtime).entryList(QDir::System | QDir::Files | QDir::Hidden); };
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock) && sockets().size() == 1, TestHelpers::kWaitDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 1, TestHelpers::kWaitDeadlineMs);

    ::kill(pid_t(program.processId()), signal);
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, TestHelpers::kWaitDeadlineMs);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(lock));
    QCOMPARE(sockets(), QStringList());
}

QTEST_MAIN(tst_Program)
#include "tst_program.moc"
