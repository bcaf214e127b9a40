#pragma once

#include "service/ServiceSettings.h"

#include <QCommandLineParser>

// The service's command line.
class ServiceOptions
{
public:
    static constexpr int kMaxSynthetic = 1'000'000;
    static constexpr int kMaxIdleStopSeconds = 7 * 24 * 3600;

    ServiceOptions();

    // Reads arguments (the program name first). Returns false, with error()
    // set, on a bad value. Needs no application object.
    bool parse(const QStringList &arguments);
    // Prints the help or the version and exits, as usual, when the arguments
    // asked for one. Needs the application object.
    void answerHelpOrVersion();

    const ServiceSettings &settings() const { return m_settings; }
    ServiceSettings &settings() { return m_settings; }
    // Whether the command line named the source, or the feed: those win over the settings file.
    bool sourceGiven() const { return m_parser.isSet(m_source); }
    bool feedGiven() const { return m_parser.isSet(m_feed); }
    const QString &error() const { return m_error; }

private:
    bool readNumber(const QCommandLineOption &option, qint64 low, qint64 high, qint64 *value);
    bool readProvider();
    bool readAddress(const QCommandLineOption &option, QString *address);

    QCommandLineParser m_parser;
    QCommandLineOption m_port;
    QCommandLineOption m_seed;
    QCommandLineOption m_synthetic;
    QCommandLineOption m_adEvery;
    QCommandLineOption m_adLink;
    QCommandLineOption m_idleStop;
    QCommandLineOption m_source;
    QCommandLineOption m_feed;
    QCommandLineOption m_providerUrl;
    QCommandLineOption m_assetsUrl;
    QCommandLineOption m_config;
    QCommandLineOption m_check;
    ServiceSettings m_settings;
    QString m_error;
};
