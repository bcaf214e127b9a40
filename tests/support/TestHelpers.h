#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace TestHelpers {

// Closes every message box that opens from now until the guard goes, keeping
// their texts.
class MessageBoxCloser
{
public:
    MessageBoxCloser();
    ~MessageBoxCloser();
    QStringList texts() const;

private:
    struct State;
    State *m_state;
};

// After the program was told to end, lets event loops run again.
void clearQuitRequest();

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// Runs action once the next modal dialog of that object name is open.
void whenDialogOpens(const QString &objectName, std::function<void(QWidget *dialog)> action);

} // namespace TestHelpers
