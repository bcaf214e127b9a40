#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class ServiceRequest;

// Where the service's quotes come from: the simulated market, or a market-data
// provider. The HTTP side asks it and knows nothing of either. Every function
// may be called from several threads at once.
class QuoteSource
{
public:
    // The body of a quote reply, or why there is none: a source that cannot
    // answer at all (a refused key) says so instead of sending no lines.
    struct Answer
    {
        QByteArray body;
        QString refusal; // empty when body is the answer
    };

    virtual ~QuoteSource() = default;

    // The value of the reply header that names where prices come from.
    virtual QByteArray name() const = 0;
    // The lines for a quotes request.
    virtual Answer quotes(const ServiceRequest &request) = 0;
    // "CODE,Company Name" lines for a search.
    virtual QByteArray search(QStringView text) = 0;
    // True when only connections of this process's own user may be answered:
    // the user's key buys the quotes, and no other local user gets them.
    virtual bool ownUserOnly() const = 0;
};
