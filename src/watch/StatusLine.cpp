#include "watch/StatusLine.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// Reads the line's name from its text when asked, so that no change of the
// text has to be told to be read right.
class StatusLineAccessible : public QAccessibleWidget
{
public:
    explicit StatusLineAccessible(QWidget *line)
        : QAccessibleWidget(line, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return static_cast<const QLabel *>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface *accessibleStatusLine(const QString &className, QObject *object)
{
    if (className == QLatin1String("StatusLine") && object && object->isWidgetType())
        return new StatusLineAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleStatusLine);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setTextFormat(Qt::PlainText);
    // A label without a name of its own tells every new text; this one tells
    // only the changes that matter, and its name is read from its text.
    setAccessibleName(tr("Status"));
}

void StatusLine::setStatus(const QString &text, bool announce)
{
    setText(text);
    if (!announce)
        return;
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    emit announced(text);
}
