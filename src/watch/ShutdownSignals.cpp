#include "watch/ShutdownSignals.h"

#include "watch/ListLog.h"

#include <QSocketNotifier>

#include <cstring>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT};
int g_ends[2] = {-1, -1}; // the handler writes to [0], the event loop reads [1]

// Only what is safe in a signal handler: write the signal's number, once.
void onEndSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    (void)!::write(g_ends[0], &byte, 1);
    ::signal(number, SIG_DFL);
    errno = saved;
}

} // namespace

ShutdownSignals::ShutdownSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_ends) != 0) {
        qCDebug(lcList) << "end signals are not caught:" << std::strerror(errno);
        return;
    }
    m_notifier = new QSocketNotifier(g_ends[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::readSignal);
    struct sigaction action
    {
    };
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kEndSignals)
        ::sigaction(number, &action, nullptr);
}

ShutdownSignals::~ShutdownSignals()
{
    if (!m_notifier)
        return;
    for (int number : kEndSignals)
        ::signal(number, SIG_DFL);
    delete m_notifier;
    ::close(g_ends[0]);
    ::close(g_ends[1]);
    g_ends[0] = g_ends[1] = -1;
}

void ShutdownSignals::readSignal()
{
    char byte = 0;
    while (::read(g_ends[1], &byte, 1) == 1) {
        qCDebug(lcList) << "asked to end by signal" << int(byte);
        emit received(int(byte));
    }
}
