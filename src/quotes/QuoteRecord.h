#pragma once

#include <QString>
#include <QtGlobal>

// The numbers of one quote reply line: all that painting a row needs.
struct QuoteNumbers
{
    double Bid = 0;
    double Ask = 0;
    double Ltp = 0;
    double ChangePct = 0;
    double Open = 0;
    double High = 0;
    double Low = 0;
    double PrevClose = 0;
    qint64 Volume = 0;          // volumes pass 2,147,483,647 on busy days
    bool openSent = false;      // OPEN came as a number, asked for with "&ft=1"
    bool prevCloseSent = false; // P.CLOSE came as a number, asked for with "&ft=1"
};

// One line of a quote reply. A new record has empty texts and zeros; a field
// the reply lacks, or that does not convert, keeps that default.
struct QuoteRecord : QuoteNumbers
{
    QString Symbol;
    QString TrendText;
};
