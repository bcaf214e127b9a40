#pragma once

#include "protocol/QuoteProtocol.h"
#include "service/PeerCredentials.h"
#include "service/ProviderSettings.h"

#include <QString>
#include <QtGlobal>

// How one run of the service behaves; filled from the command line.
struct ServiceSettings
{
    quint16 port = QuoteProtocol::kDefaultPort;     // on 127.0.0.1; 0 picks a free one
    quint64 seed = 1;                               // the same seed gives the same market
    int synthetic = 0;                              // generated scrips SYN00001... after the real ones
    int adEvery = 0;                                // every Nth request gets the advertisement; 0 never
    QString adLink = QStringLiteral("example.com"); // sent as "PICS-Label: PICADS <link>"
    int idleTimeoutMs = 60'000;                     // a connection silent this long is closed
    qint64 idleStopMs = 600'000;                    // handed its socket, the service stops after this long idle
    QString source = QStringLiteral("simulated");   // or "alpaca": where the quotes come from
    ProviderSettings provider{};                    // with the source "alpaca"
    QString configPath{};                           // the user's settings file
    bool check = false;                             // ask the provider once and say what it answered
    QStringList peerTables = PeerCredentials::defaultTables(); // where a connection's owner is looked up
};
