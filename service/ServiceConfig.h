#pragma once

#include <QByteArray>
#include <QString>

struct ServiceSettings;

// The user's settings file for the service, and the key from the environment.
// The file holds "key = value" lines:
//   source = alpaca          (or simulated)
//   feed = iex               (or sip, with a paid plan)
//   key_id = ...
//   secret_key = ...
// Like ssh with a private key, the service refuses a file that another user
// could read or change. The key comes from APCA_API_KEY_ID and
// APCA_API_SECRET_KEY when both are set, and else from the file; it is never
// written into an error text.
class ServiceConfig
{
public:
    // tickerloom/service.conf in the user's config folder.
    static QString defaultPath();

    // Reads path, when it exists, into settings: its source unless one was
    // given on the command line (sourceGiven), its feed unless given, and the
    // key. Returns false, with a message saying how to mend it, when the file
    // cannot be used.
    static bool apply(const QString &path, bool sourceGiven, bool feedGiven, ServiceSettings *settings, QString *error);

    // True when the file at path may hold a key: owned by this user, and
    // neither readable nor writable by anyone else. Else *error says how to mend it.
    static bool isPrivate(const QString &path, QString *error);
};
