// The advertisement window "Tip of the Day": its layout, closing by button and
// keys, and the picture that opens the advertiser's address and closes the window.
#include "web/AdvertImage.h"
#include "web/frmTip.h"

#include <QApplication>
#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QUrl>

namespace {

// The offscreen platform notes on every show that it cannot raise windows.
QtMessageHandler g_previousHandler = nullptr;

void withoutRaiseNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message != u"This plugin does not support raise()")
        g_previousHandler(type, context, message);
}

QLabel *picture(frmTip *tip)
{
    return tip->findChild<QLabel *>(QStringLiteral("Image1"));
}

} // namespace

class FrmTipTest : public QObject
{
    Q_OBJECT

public slots:
    // Takes the addresses the window asks the desktop to open, so no browser starts.
    void open(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase()
    {
        g_previousHandler = qInstallMessageHandler(withoutRaiseNotes);
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        qInstallMessageHandler(g_previousHandler);
    }

    void cleanup()
    {
        m_opened.clear();
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (qobject_cast<frmTip *>(widget))
                delete widget;
    }

    void windowShowsThePictureAtItsOwnSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("the layout's 350 x 350") << QSize(350, 350) << QSize(350, 350);
        QTest::newRow("smaller") << QSize(120, 80) << QSize(120, 80);
        // A larger picture is scaled down into the layout, keeping its shape.
        QTest::newRow("larger, beyond the layout") << QSize(500, 420) << QSize(350, 294);
        QTest::newRow("taller") << QSize(100, 700) << QSize(50, 350);
    }

    void windowShowsThePictureAtItsOwnSize()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, shown);
        frmTip *tip = openTip(size);
        QVERIFY(tip);
        QCOMPARE(tip->windowTitle(), QStringLiteral("Tip of the Day"));
        QVERIFY(tip->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(tip->windowFlags() & Qt::WindowType_Mask, Qt::Tool); // no taskbar entry
        QVERIFY(!tip->isModal());
        QCOMPARE(tip->size(), QSize(374, 411));
        QCOMPARE(tip->minimumSize(), tip->maximumSize());
        QVERIFY((tip->frameGeometry().center() - tip->screen()->geometry().center()).manhattanLength() <= 2);
        QCOMPARE(picture(tip)->pos(), QPoint(10, 10));
        QCOMPARE(picture(tip)->size(), shown);
        QCOMPARE(picture(tip)->pixmap().size(), shown);
        auto *close = tip->findChild<QPushButton *>(QStringLiteral("cmdOK"));
        QCOMPARE(close->geometry(), QRect(145, 372, 81, 27));
        QVERIFY(close->isDefault());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(close));
        QCOMPARE(picture(tip)->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(tip->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(close->cursor().shape(), Qt::ArrowCursor);
    }

    void closingWithoutOpeningTheLink_data()
    {
        QTest::addColumn<int>("key"); // 0: the button clicked
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Enter") << int(Qt::Key_Enter) << 0;
        QTest::newRow("Return") << int(Qt::Key_Return) << 0;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 0;
        QTest::newRow("Alt+C") << int(Qt::Key_C) << int(Qt::AltModifier);
        QTest::newRow("button clicked") << 0 << 0;
    }

    void closingWithoutOpeningTheLink()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QPointer<frmTip> tip = openTip();
        QVERIFY(tip);
        QVERIFY(QTest::qWaitForWindowActive(tip));
        QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : tip.data();
        if (key)
            QTest::keyClick(focus, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        else
            QTest::mouseClick(tip->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QTRY_VERIFY(tip.isNull()); // closed and gone
        QVERIFY(m_opened.isEmpty());
    }

    void clickingThePictureOpensTheLinkAndCloses_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("expected"); // empty: nothing opens
        QTest::newRow("domain") << "example.com"
                                << "http://www.example.com";
        QTest::newRow("empty link: the bare prefix") << ""
                                                     << "http://www.";
        QTest::newRow("query") << "example.com/offer?id=7&src=tl"
                               << "http://www.example.com/offer?id=7&src=tl";
        QTest::newRow("port") << "example.com:8080/x"
                              << "http://www.example.com:8080/x";
        QTest::newRow("fragment") << "example.com/#top"
                                  << "http://www.example.com/#top";
        QTest::newRow("blank inside the host") << "exa mple.com"
                                               << "";
        QTest::newRow("blank before the host") << " example.com"
                                               << "";
        QTest::newRow("trailing blank") << "example.com "
                                        << "";
        QTest::newRow("bad port") << "example.com:port"
                                  << "";
        QTest::newRow("user part moving the host") << "@evil.com"
                                                   << "";
        QTest::newRow("user part before another www host") << "x@www.evil.com"
                                                           << "";
        QTest::newRow("user and password") << "user:pw@www.example.com"
                                           << "";
    }

    void clickingThePictureOpensTheLinkAndCloses()
    {
        QFETCH(QString, link);
        QFETCH(QString, expected);
        QPointer<frmTip> tip = openTip(QSize(100, 100), link);
        QVERIFY(tip);
        QTest::mouseClick(picture(tip), Qt::LeftButton, {}, QPoint(50, 50));
        QTRY_VERIFY(tip.isNull()); // closes whether or not anything opened
        QCOMPARE(m_opened, expected.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(expected)});
        QCOMPARE(frmTip::linkAddress(link).toString(), expected);
    }

    void twoWindowsCloseIndependently()
    {
        QPointer<frmTip> first = openTip(QSize(60, 60), QStringLiteral("first.example.com"));
        QPointer<frmTip> second = openTip(QSize(80, 80), QStringLiteral("second.example.com"));
        QVERIFY(first && second);
        // Neither a click beside the picture nor a right click on it does anything.
        QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(300, 300));
        QTest::mouseClick(picture(first), Qt::RightButton, {}, QPoint(20, 20));
        QTest::qWait(50);
        QVERIFY(first->isVisible() && m_opened.isEmpty());

        QTest::mouseClick(picture(second), Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(second.isNull());
        QVERIFY(first && first->isVisible());
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("http://www.second.example.com"))});

        first->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first));
        QTest::keyClick(first, Qt::Key_Escape);
        QTRY_VERIFY(first.isNull());
        QCOMPARE(m_opened.size(), 1);
    }

private:
    // A window as the fetch opens it: link, picture, shown.
    frmTip *openTip(const QSize &size = QSize(350, 350), const QString &link = QStringLiteral("example.com"))
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        const QImage decoded =
            buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "JPG") ? AdvertImage::decode(jpeg) : QImage();
        if (decoded.isNull())
            return nullptr;
        auto *tip = new frmTip(); // cleanup() deletes it
        tip->StrLink = link;
        tip->setPicture(decoded);
        tip->show();
        return QTest::qWaitForWindowExposed(tip) ? tip : nullptr;
    }

    QList<QUrl> m_opened;
};

QTEST_MAIN(FrmTipTest)
#include "tst_frmtip.moc"
