#pragma once

#include <QLabel>

// The line beside "Add Scrip" that says how current the prices are. Its text
// changes with every refresh, but a screen reader is told only when what it
// says changes in kind (waiting, current, not answering); reading the line
// always gives its current text. It shows its text as plain text, whatever
// characters the quote service's words bring.
class StatusLine : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent = nullptr);

    void setStatus(const QString &text, bool announce);

signals:
    // A screen reader was told the line's new text.
    void announced(const QString &text);
};
