#include "support/TestHelpers.h"

#include "watch/WatchListKeeper.h"
#include "web/FetchUrl.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QTest>
#include <QTimer>

// The helpers of TestHelpers.h that need the windows.
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

UrlBytesFetch programBytesFetch(QObject *owner, const QString &advertFolder)
{
    const FetchSettings settings = programSettings(owner, advertFolder);
    return [settings](const QUrl &url) { return FetchUrlBytes(settings, url); };
}

void refreshTick(QObject *window)
{
    window->findChild<WatchListKeeper *>()->refreshTick();
}

} // namespace TestHelpers
