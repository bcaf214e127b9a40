#pragma once

#include "web/FetchUrl.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QImage;
class QObject;
class QWidget;

namespace TestHelpers {

// Closes every message box that opens from now until the guard goes, keeping
// their texts and icons.
class MessageBoxCloser
{
public:
    MessageBoxCloser();
    ~MessageBoxCloser();
    MessageBoxCloser(const MessageBoxCloser &) = delete;
    MessageBoxCloser &operator=(const MessageBoxCloser &) = delete;

    QStringList texts() const;
    QList<int> icons() const; // QMessageBox::Icon values

private:
    struct State;
    State *m_state;
};

// After the program was told to end, lets event loops run again.
void clearQuitRequest();

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// Runs action once the next modal dialog of that object name is open. A
// dialog that does not open within the deadline fails the running test with
// a warning naming it, and the action never runs.
void whenDialogOpens(const QString &objectName, std::function<void(QWidget *dialog)> action, int deadlineMs = 10000);

// A fetch as the program makes it, through a network manager that owner
// owns, with "ad.jpg" going into advertFolder.
std::function<QString(const QString &url)> programFetch(QObject *owner, const QString &advertFolder = QString());
// The same fetch giving the body's bytes, as the main window takes it.
UrlBytesFetch programBytesFetch(QObject *owner, const QString &advertFolder = QString());

// A tick of the main window's refresh timer, as the timer gives it.
void refreshTick(QObject *window);

// The price chart a row's tooltip holds; a null image when it holds none.
QImage chartInToolTip(const QString &toolTip);
// Where a chart's line runs: for each pixel column, the y of its darkest
// pixel counted from the top, -1 where the column holds no line.
QList<int> lineHeights(const QImage &chart);
// How often that line turns between rising and falling, left to right.
int turnsOf(const QList<int> &heights);

// Milliseconds the slowest wait of a test may take before it counts as hung.
constexpr int kWaitDeadlineMs = 10000;

} // namespace TestHelpers
