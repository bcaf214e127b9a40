#pragma once

#include "service/Catalogue.h"
#include "service/ProviderSettings.h"

#include <QMutex>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>

#include <memory>

class QNetworkReply;

// The provider's list of symbols and names, for the search: fetched when the
// service starts and once a day after, and kept in the cache folder, so that
// the search works from the last list while the provider cannot be reached.
// Lives on the main thread; search() is safe from any thread.
class ProviderAssets : public QObject
{
    Q_OBJECT

public:
    // A list longer than this is not read: the provider's whole list is some 5 MB.
    static constexpr qint64 kMaxListBytes = 64 << 20;

    explicit ProviderAssets(const ProviderSettings &settings, QObject *parent = nullptr);

    // Loads the kept list, then fetches a fresh one.
    void start();
    // "CODE,Company Name" lines, by the demo's rules, from the latest list.
    QByteArray search(QStringView text) const;
    int size() const;

    // The provider's JSON array of assets as a catalogue, sorted by symbol:
    // entries without a usable symbol or a name are left out, and commas in
    // names dropped (the program cuts a name at its first comma). False, with
    // *error, when the text is not such an array.
    static bool read(const QByteArray &json, Catalogue *catalogue, QString *error);

private:
    QString keptPath() const;
    void loadKept();
    void fetch();
    void finish(QNetworkReply *reply);
    void keep(const QByteArray &json) const;
    void use(Catalogue catalogue);

    ProviderSettings m_settings;
    QNetworkAccessManager m_network;
    QTimer m_timer;         // the next fetch
    mutable QMutex m_mutex; // guards m_catalogue, which the search reads from other threads
    std::shared_ptr<const Catalogue> m_catalogue;
};
