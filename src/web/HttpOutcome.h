#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// What one HTTP transfer brought back, as the fetch reads it.
struct HttpResponse
{
    bool transferFailed = false; // no connection, reset, time-out, aborted
    int statusCode = 0;
    QByteArray reasonPhrase;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
};

// How the fetch reads a reply: its data, an advertisement picture with
// its link, or nothing. An advertisement is recognised whatever the status;
// data comes only with a 2xx status. Pure, so every reading rule is testable
// without a socket.
namespace HttpOutcome {

enum class Kind { Data, Advert, Nothing };

struct Outcome
{
    Kind kind = Kind::Nothing;
    QByteArray data;                              // Data: the body's bytes, each one character of its text
    QList<QPair<QByteArray, QByteArray>> headers; // Data: the reply's headers, as sent
    QByteArray picture;                           // Advert
    QString link;                                 // Advert: the "PICS-Label" value past its 7th character
};

// The whole reply header text, status line first: "HTTP/1.1 200 OK\r\nName: value\r\n...".
QByteArray headerText(const HttpResponse &response);

// The first header of that name, any letter case; empty when absent.
QByteArray header(const HttpResponse &response, QByteArrayView name);

Outcome interpret(const HttpResponse &response);

} // namespace HttpOutcome
