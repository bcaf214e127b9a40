#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <utility>

// What one fetch brought: the body's bytes, one character per byte, and the
// headers of the reply they came in. A failed fetch brings neither, and is
// not answered; a service that answered with an empty body is.
struct FetchedReply
{
    FetchedReply() = default;
    // A fetch that gives only its bytes: it answered when it gave any.
    FetchedReply(QByteArray bytes) // NOLINT(google-explicit-constructor): a body alone is a reply
        : body(std::move(bytes))
        , answered(!body.isEmpty())
    {
    }

    // The first header of that name, any letter case; empty when absent.
    QByteArray header(QByteArrayView name) const
    {
        for (const auto &[headerName, value] : headers)
            if (headerName.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        return QByteArray();
    }

    QByteArray body;
    bool answered = false;
    QList<QPair<QByteArray, QByteArray>> headers;
};
