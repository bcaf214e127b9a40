#include "support/TestHelpers.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <memory>

namespace TestHelpers {

struct MessageBoxCloser::State
{
    QTimer timer;
    QStringList texts;
};

MessageBoxCloser::MessageBoxCloser()
    : m_state(new State)
{
    QObject::connect(&m_state->timer, &QTimer::timeout, [state = m_state] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (box && box->isVisible()) {
                state->texts.append(box->text());
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

void whenDialogOpens(const QString &objectName, std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == objectName && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(10);
}

} // namespace TestHelpers
