#include "watch/ListPreread.h"

#include "watch/WatchList.h"

#include <QFileInfo>

#include <system_error>
#include <utility>

namespace {

bool readWhole(const ScripsFile::Loaded &loaded)
{
    return loaded.found && loaded.failure.isEmpty();
}

} // namespace

ListPreread::ListPreread(const QString &path)
    : m_path(path)
{
    if (QFileInfo(path).size() < kLeastBytes)
        return; // read in place
    try {
        m_thread = std::thread([this] {
            m_early = ScripsFile::readBytes(m_path, m_bytes);
            if (readWhole(m_early))
                ScripsFile::readScrips(m_bytes, m_early);
            m_earlyExtras = {WatchList::textOf(m_early.scrips), WatchList::differOnceUpperCased(m_early.scrips)};
        });
    } catch (const std::system_error &) {
        // no thread: take() reads the file itself
    }
}

ListPreread::~ListPreread()
{
    if (m_thread.joinable())
        m_thread.join();
}

ScripsFile::Loaded ListPreread::take()
{
    const bool ranEarly = m_thread.joinable();
    if (ranEarly)
        m_thread.join();
    QByteArray now;
    ScripsFile::Loaded loaded = ScripsFile::readBytes(m_path, now);
    if (!readWhole(loaded))
        return loaded;
    if (ranEarly && readWhole(m_early) && now == m_bytes) {
        m_extras = std::move(m_earlyExtras);
        return std::move(m_early);
    }
    ScripsFile::readScrips(now, loaded);
    return loaded;
}
