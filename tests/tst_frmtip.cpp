// The advertisement window "Tip of the Day": its layout, the picture at its
// own size, closing by button and keys, and the picture that opens the
// advertiser's address and closes the window.
#include "web/frmTip.h"

#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

namespace {

// The offscreen platform cannot raise windows and says so on every show; that
// note says nothing about the program.
QtMessageHandler g_previousHandler = nullptr;

void withoutRaiseNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == u"This plugin does not support raise()")
        return;
    g_previousHandler(type, context, message);
}

} // namespace

// Takes the addresses the program asks the desktop to open, so no browser starts.
class OpenedAddresses : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class FrmTipTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void windowIsABorderlessFixedToolWindow();
    void windowIsCentredOnTheScreen();
    void closeButtonIsTheDefaultWithFocusAndLayout();
    void pictureIsShownAtItsOwnSize_data();
    void pictureIsShownAtItsOwnSize();
    void somethingThatIsNoPictureIsRefused();
    void closingWithoutOpeningTheLink_data();
    void closingWithoutOpeningTheLink();
    void clickingThePictureOpensTheLinkAndCloses_data();
    void clickingThePictureOpensTheLinkAndCloses();
    void linkAddressIsTheFixedPrefixAndTheLink_data();
    void linkAddressIsTheFixedPrefixAndTheLink();
    void clickBesideASmallPictureDoesNothing();
    void rightClickOnThePictureDoesNothing();
    void twoWindowsCloseIndependently();
    void handCursorOnlyOverThePicture();

private:
    frmTip *openTip(const QSize &pictureSize = QSize(350, 350), const QString &link = QStringLiteral("example.com"));
    QString pictureFile(const QSize &size);

    OpenedAddresses m_opened;
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QPointer<frmTip>> m_tips;
};

void FrmTipTest::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(withoutRaiseNotes);
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_opened, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_opened, "open");
}

void FrmTipTest::cleanupTestCase()
{
    qInstallMessageHandler(g_previousHandler);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void FrmTipTest::init()
{
    m_opened.urls.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void FrmTipTest::cleanup()
{
    for (const QPointer<frmTip> &tip : std::as_const(m_tips))
        delete tip.data();
    m_tips.clear();
    m_dir.reset();
}

QString FrmTipTest::pictureFile(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = m_dir->filePath(QStringLiteral("ad-%1x%2.jpg").arg(size.width()).arg(size.height()));
    if (!image.save(path, "JPG"))
        return QString();
    return path;
}

// A window as the fetch opens it: link, picture, shown.
frmTip *FrmTipTest::openTip(const QSize &pictureSize, const QString &link)
{
    auto *tip = new frmTip();
    m_tips.append(tip);
    tip->StrLink = link;
    if (!tip->loadPicture(pictureFile(pictureSize)))
        return nullptr;
    tip->show();
    if (!QTest::qWaitForWindowExposed(tip))
        return nullptr;
    return tip;
}

void FrmTipTest::windowIsABorderlessFixedToolWindow()
{
    frmTip tip;
    QCOMPARE(tip.windowTitle(), QStringLiteral("Tip of the Day"));
    QVERIFY(tip.StrLink.isEmpty());
    QVERIFY(tip.windowIcon().isNull());
    const Qt::WindowFlags flags = tip.windowFlags();
    QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // no taskbar entry
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!tip.isModal());
    QVERIFY(tip.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(tip.size(), QSize(374, 411));
    QCOMPARE(tip.minimumSize(), QSize(374, 411));
    QCOMPARE(tip.maximumSize(), QSize(374, 411));
}

void FrmTipTest::windowIsCentredOnTheScreen()
{
    frmTip *tip = openTip();
    QVERIFY(tip);
    const QPoint screenCentre = tip->screen()->geometry().center();
    const QPoint centre = tip->frameGeometry().center();
    QVERIFY2(qAbs(centre.x() - screenCentre.x()) <= 1 && qAbs(centre.y() - screenCentre.y()) <= 1,
             qPrintable(QStringLiteral("window centre %1,%2, screen centre %3,%4")
                            .arg(centre.x()).arg(centre.y()).arg(screenCentre.x()).arg(screenCentre.y())));
}

void FrmTipTest::closeButtonIsTheDefaultWithFocusAndLayout()
{
    frmTip *tip = openTip();
    QVERIFY(tip);
    auto *close = tip->findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QVERIFY(close);
    QCOMPARE(close->text(), QStringLiteral("&Close"));
    QVERIFY(close->isDefault());
    QCOMPARE(close->geometry(), QRect(145, 372, 81, 27));
    auto *picture = tip->findChild<QLabel *>(QStringLiteral("Image1"));
    QVERIFY(picture);
    QCOMPARE(picture->focusPolicy(), Qt::NoFocus);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(close));
}

void FrmTipTest::pictureIsShownAtItsOwnSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("the layout's 350 x 350") << QSize(350, 350);
    QTest::newRow("smaller") << QSize(120, 80);
    QTest::newRow("larger, runs beyond the layout") << QSize(500, 420);
}

void FrmTipTest::pictureIsShownAtItsOwnSize()
{
    QFETCH(QSize, size);
    frmTip *tip = openTip(size);
    QVERIFY(tip);
    auto *picture = tip->findChild<QLabel *>(QStringLiteral("Image1"));
    QVERIFY(picture);
    QCOMPARE(picture->pos(), QPoint(10, 10));
    QCOMPARE(picture->pixmap().size(), size);
    QCOMPARE(picture->size(), size);
    QVERIFY(!picture->hasScaledContents());
    QCOMPARE(tip->size(), QSize(374, 411)); // the window keeps its size
}

void FrmTipTest::somethingThatIsNoPictureIsRefused()
{
    const QString path = m_dir->filePath(QStringLiteral("ad.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture at all");
    file.close();

    frmTip tip;
    QVERIFY(!tip.loadPicture(path));
    QVERIFY(!tip.loadPicture(m_dir->filePath(QStringLiteral("missing.jpg"))));
}

void FrmTipTest::closingWithoutOpeningTheLink_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Return") << "return";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("Alt+C") << "alt+c";
    QTest::newRow("button clicked") << "click";
}

void FrmTipTest::closingWithoutOpeningTheLink()
{
    QFETCH(QString, how);
    frmTip *tip = openTip();
    QVERIFY(tip);
    QVERIFY(QTest::qWaitForWindowActive(tip));
    QSignalSpy opened(tip, &frmTip::linkOpened);
    QPointer<frmTip> guard(tip);
    auto *close = tip->findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QVERIFY(close);
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : tip;

    if (how == u"enter")
        QTest::keyClick(focus, Qt::Key_Enter);
    else if (how == u"return")
        QTest::keyClick(focus, Qt::Key_Return);
    else if (how == u"esc")
        QTest::keyClick(focus, Qt::Key_Escape);
    else if (how == u"alt+c")
        QTest::keyClick(focus, Qt::Key_C, Qt::AltModifier);
    else
        QTest::mouseClick(close, Qt::LeftButton);

    QTRY_VERIFY(guard.isNull()); // closed and gone
    QCOMPARE(opened.count(), 0);
    QVERIFY(m_opened.urls.isEmpty());
}

void FrmTipTest::clickingThePictureOpensTheLinkAndCloses_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QUrl>("expected"); // empty: nothing opens

    QTest::newRow("domain") << "example.com" << QUrl(QStringLiteral("http://www.example.com"));
    QTest::newRow("empty link opens the bare prefix") << "" << QUrl(QStringLiteral("http://www."));
    QTest::newRow("path and query") << "example.com/offer?id=7&src=tl"
                                    << QUrl(QStringLiteral("http://www.example.com/offer?id=7&src=tl"));
    QTest::newRow("blank inside the host") << "exa mple.com" << QUrl();
    QTest::newRow("blank before the host") << " example.com" << QUrl();
}

void FrmTipTest::clickingThePictureOpensTheLinkAndCloses()
{
    QFETCH(QString, link);
    QFETCH(QUrl, expected);
    frmTip *tip = openTip(QSize(100, 100), link);
    QVERIFY(tip);
    QSignalSpy opened(tip, &frmTip::linkOpened);
    QPointer<frmTip> guard(tip);
    auto *picture = tip->findChild<QLabel *>(QStringLiteral("Image1"));
    QVERIFY(picture);

    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(50, 50));

    QTRY_VERIFY(guard.isNull()); // closes whether or not anything opened
    if (expected.isEmpty()) {
        QCOMPARE(opened.count(), 0);
        QVERIFY(m_opened.urls.isEmpty());
    } else {
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.first().first().toUrl(), expected);
        QCOMPARE(m_opened.urls, QList<QUrl>{expected});
    }
}

void FrmTipTest::linkAddressIsTheFixedPrefixAndTheLink_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("expected"); // empty: refused

    QTest::newRow("domain") << "example.com" << "http://www.example.com";
    QTest::newRow("empty") << "" << "http://www.";
    QTest::newRow("path") << "example.com/a/b.html" << "http://www.example.com/a/b.html";
    QTest::newRow("port") << "example.com:8080/x" << "http://www.example.com:8080/x";
    QTest::newRow("fragment") << "example.com/#top" << "http://www.example.com/#top";
    QTest::newRow("blank inside") << "exa mple.com" << "";
    QTest::newRow("trailing blank") << "example.com " << "";
    QTest::newRow("bad port") << "example.com:port" << "";
    QTest::newRow("user part moving the host") << "@evil.com" << "";
}

void FrmTipTest::linkAddressIsTheFixedPrefixAndTheLink()
{
    QFETCH(QString, link);
    QFETCH(QString, expected);
    const QUrl address = frmTip::linkAddress(link);
    if (expected.isEmpty()) {
        QVERIFY2(!address.isValid(), qPrintable(address.toString()));
        return;
    }
    QVERIFY(address.isValid());
    QCOMPARE(address.toString(), expected);
}

void FrmTipTest::clickBesideASmallPictureDoesNothing()
{
    frmTip *tip = openTip(QSize(40, 40));
    QVERIFY(tip);
    QSignalSpy opened(tip, &frmTip::linkOpened);

    QTest::mouseClick(tip, Qt::LeftButton, {}, QPoint(300, 300)); // inside the 350 x 350 area, beyond the picture
    QTest::qWait(50);

    QVERIFY(tip->isVisible());
    QCOMPARE(opened.count(), 0);
    QVERIFY(m_opened.urls.isEmpty());
}

void FrmTipTest::rightClickOnThePictureDoesNothing()
{
    frmTip *tip = openTip(QSize(100, 100));
    QVERIFY(tip);
    QSignalSpy opened(tip, &frmTip::linkOpened);
    auto *picture = tip->findChild<QLabel *>(QStringLiteral("Image1"));
    QVERIFY(picture);

    QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(50, 50));
    QTest::qWait(50);

    QVERIFY(tip->isVisible());
    QCOMPARE(opened.count(), 0);
    QVERIFY(m_opened.urls.isEmpty());
}

void FrmTipTest::twoWindowsCloseIndependently()
{
    frmTip *first = openTip(QSize(60, 60), QStringLiteral("first.example.com"));
    frmTip *second = openTip(QSize(80, 80), QStringLiteral("second.example.com"));
    QVERIFY(first);
    QVERIFY(second);
    QPointer<frmTip> firstGuard(first);
    QPointer<frmTip> secondGuard(second);

    // The picture of the second opens its own link and closes only itself.
    QTest::mouseClick(second->findChild<QLabel *>(QStringLiteral("Image1")), Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_VERIFY(secondGuard.isNull());
    QVERIFY(!firstGuard.isNull());
    QVERIFY(first->isVisible());
    QCOMPARE(m_opened.urls, QList<QUrl>{QUrl(QStringLiteral("http://www.second.example.com"))});

    first->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(first));
    QTest::keyClick(first, Qt::Key_Escape);
    QTRY_VERIFY(firstGuard.isNull());
    QCOMPARE(m_opened.urls.size(), 1);
}

void FrmTipTest::handCursorOnlyOverThePicture()
{
    frmTip *tip = openTip(QSize(100, 100));
    QVERIFY(tip);
    auto *picture = tip->findChild<QLabel *>(QStringLiteral("Image1"));
    auto *close = tip->findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QVERIFY(picture);
    QVERIFY(close);
    QCOMPARE(picture->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(tip->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(close->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(FrmTipTest)
#include "tst_frmtip.moc"
