#pragma once

#include "service/ServiceSettings.h"

#include <QCommandLineParser>

// The service's command line.
class ServiceOptions
{
public:
    static constexpr int kMaxSynthetic = 1'000'000;

    ServiceOptions();

    // Reads arguments (the program name first). "--help" and "--version"
    // print and exit, as usual. Returns false, with error() set, on a bad value.
    bool parse(const QStringList &arguments);

    const ServiceSettings &settings() const { return m_settings; }
    const QString &error() const { return m_error; }

private:
    bool readNumber(const QCommandLineOption &option, qint64 low, qint64 high, qint64 *value);

    QCommandLineParser m_parser;
    QCommandLineOption m_port;
    QCommandLineOption m_seed;
    QCommandLineOption m_synthetic;
    QCommandLineOption m_adEvery;
    QCommandLineOption m_adLink;
    ServiceSettings m_settings;
    QString m_error;
};
