#include "support/TestHelpers.h"

#include "watch/WatchListKeeper.h"
#include "web/FetchUrl.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <memory>

namespace TestHelpers {

struct MessageBoxCloser::State
{
    QTimer timer;
    QStringList texts;
    QList<int> icons;
};

MessageBoxCloser::MessageBoxCloser()
    : m_state(new State)
{
    QObject::connect(&m_state->timer, &QTimer::timeout, [state = m_state] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (box && box->isVisible()) {
                state->texts.append(box->text());
                state->icons.append(box->icon());
                box->accept();
            }
        }
    });
    m_state->timer.start(20);
}

MessageBoxCloser::~MessageBoxCloser()
{
    delete m_state;
}

QStringList MessageBoxCloser::texts() const
{
    return m_state->texts;
}

QList<int> MessageBoxCloser::icons() const
{
    return m_state->icons;
}

void clearQuitRequest()
{
    // exec() starts by clearing the request to quit; the queued quit ends it at once.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void whenDialogOpens(const QString &objectName, std::function<void(QWidget *)> action, int deadlineMs)
{
    auto *timer = new QTimer(qApp);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, action, waited, deadlineMs] {
        if (waited.hasExpired(deadlineMs)) {
            timer->stop();
            timer->deleteLater();
            QTest::qFail(qPrintable(QStringLiteral("the dialog %1 never opened").arg(objectName)), __FILE__, __LINE__);
            if (QWidget *other = QApplication::activeModalWidget())
                other->close(); // whatever opened instead must not keep the test waiting
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == objectName && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(10);
}

namespace {

FetchSettings programSettings(QObject *owner, const QString &advertFolder)
{
    return {new QNetworkAccessManager(owner), frmData::kDefaultDeadlineMs,
            advertFolder.isEmpty() ? QDir::currentPath() : advertFolder};
}

} // namespace

std::function<QString(const QString &url)> programFetch(QObject *owner, const QString &advertFolder)
{
    const FetchSettings settings = programSettings(owner, advertFolder);
    return [settings](const QString &url) { return FetchUrl(settings, url); };
}

std::function<QByteArray(const QUrl &url)> programBytesFetch(QObject *owner, const QString &advertFolder)
{
    const FetchSettings settings = programSettings(owner, advertFolder);
    return [settings](const QUrl &url) { return FetchUrlBytes(settings, url); };
}

void refreshTick(QObject *window)
{
    window->findChild<WatchListKeeper *>()->refreshTick();
}

QImage chartInToolTip(const QString &toolTip)
{
    const QRegularExpressionMatch png =
        QRegularExpression(QStringLiteral("data:image/png;base64,([A-Za-z0-9+/=]+)")).match(toolTip);
    return png.hasMatch() ? QImage::fromData(QByteArray::fromBase64(png.captured(1).toLatin1()), "PNG") : QImage();
}

QList<int> lineHeights(const QImage &chart)
{
    constexpr int kLighterThanALine = 3 * 200; // antialiasing's faint edges do not count
    QList<int> heights;
    for (int x = 0; x < chart.width(); ++x) {
        int darkest = kLighterThanALine;
        int at = -1;
        for (int y = 0; y < chart.height(); ++y) {
            const QRgb pixel = chart.pixel(x, y);
            if (const int sum = qRed(pixel) + qGreen(pixel) + qBlue(pixel); sum < darkest) {
                darkest = sum;
                at = y;
            }
        }
        heights.append(at);
    }
    return heights;
}

int turnsOf(const QList<int> &heights)
{
    int turns = 0;
    int direction = 0;
    int last = -1;
    for (int y : heights) {
        if (y < 0)
            continue;
        const int now = last < 0 || y == last ? direction : (y < last ? 1 : -1);
        turns += direction != 0 && now != direction;
        direction = now;
        last = y;
    }
    return turns;
}

} // namespace TestHelpers
