#include "service/ServiceConfig.h"

#include "service/ServiceSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file's "name = value" lines; blank lines and lines starting with # or ; are skipped.
QHash<QString, QString> readLines(QFile &file)
{
    QHash<QString, QString> values;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';') || equals < 0)
            continue;
        values.insert(line.left(equals).trimmed().toLower(), line.mid(equals + 1).trimmed());
    }
    return values;
}

} // namespace

QString ServiceConfig::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("tickerloom/service.conf"));
}

bool ServiceConfig::isPrivate(const QString &path, QString *error)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        *error = QStringLiteral("%1 cannot be read").arg(path);
        return false;
    }
    if (status.st_uid != ::getuid()) {
        *error = QStringLiteral("%1 belongs to another user; a key there is not used. Make it your own, then: "
                                "chmod 600 %1")
                     .arg(path);
        return false;
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        *error = QStringLiteral("%1 can be read or changed by other users; a key there is not used. Mend it with: "
                                "chmod 600 %1")
                     .arg(path);
        return false;
    }
    return true;
}

bool ServiceConfig::apply(const QString &path, bool sourceGiven, bool feedGiven, ServiceSettings *settings,
                          QString *error)
{
    ProviderSettings &provider = settings->provider;
    if (QFileInfo::exists(path)) {
        QFile file(path);
        if (!isPrivate(path, error))
            return false;
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
            return false;
        }
        const QHash<QString, QString> values = readLines(file);
        if (!sourceGiven && values.contains(QStringLiteral("source")))
            settings->source = values.value(QStringLiteral("source")).toLower();
        if (!feedGiven && values.contains(QStringLiteral("feed")))
            provider.feed = values.value(QStringLiteral("feed")).toLower();
        provider.keyId = values.value(QStringLiteral("key_id")).toUtf8();
        provider.secretKey = values.value(QStringLiteral("secret_key")).toUtf8();
    }
    if (qEnvironmentVariableIsSet("APCA_API_KEY_ID") && qEnvironmentVariableIsSet("APCA_API_SECRET_KEY")) {
        provider.keyId = qgetenv("APCA_API_KEY_ID").trimmed();
        provider.secretKey = qgetenv("APCA_API_SECRET_KEY").trimmed();
    }
    if (settings->source != QLatin1String("simulated") && settings->source != QLatin1String("alpaca")) {
        *error = QStringLiteral("%1: source must be simulated or alpaca").arg(path);
        return false;
    }
    if (provider.feed != QLatin1String("iex") && provider.feed != QLatin1String("sip")) {
        *error = QStringLiteral("the feed must be iex or sip");
        return false;
    }
    return true;
}
