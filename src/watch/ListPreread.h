#pragma once

#include "watch/ScripsFile.h"

#include <QByteArray>
#include <QString>
#include <thread>

// The list file read on a second thread from the moment the window starts
// to build its controls, which takes longer than reading the longest list:
// the load then finds the scrips ready. The load still gets what the file
// holds when it asks: the early scrips are used only when the file's bytes
// are still the bytes they were read from.
class ListPreread
{
public:
    // A shorter file is read in place: starting a thread costs more than the read.
    static constexpr qint64 kLeastBytes = qint64(64) * 1024;

    explicit ListPreread(const QString &path);
    ~ListPreread();
    ListPreread(const ListPreread &) = delete;
    ListPreread &operator=(const ListPreread &) = delete;

    // What the thread finds out besides, from the scrips it read.
    struct Extras
    {
        QString watchList;   // the watch-list string of the scrips
        bool differ = false; // no two scrips are equal once upper-cased
    };

    // The list as the file holds it now, read by the loading rules.
    ScripsFile::Loaded take();
    // Once taken: the extras of the scrips taken; none when they were read now.
    const Extras &extras() const { return m_extras; }

private:
    QString m_path;
    QByteArray m_bytes;         // as the thread read them
    ScripsFile::Loaded m_early; // the thread's reading of them
    Extras m_earlyExtras;
    Extras m_extras;
    std::thread m_thread;
};
