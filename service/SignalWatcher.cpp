#include "service/SignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler can reach nothing but plain globals; these two ends of the
// socket pair are the watcher's, set while it exists.
int s_writeEnd = -1;
int s_readEnd = -1;

} // namespace

SignalWatcher::SignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent)
    , m_signalNumbers(signalNumbers)
{
    int ends[2];
    if (s_writeEnd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
        return;
    s_writeEnd = ends[0];
    s_readEnd = ends[1];
    struct sigaction action = {};
    action.sa_handler = &SignalWatcher::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : m_signalNumbers)
        ::sigaction(signalNumber, &action, nullptr);
    m_notifier = new QSocketNotifier(s_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readSignal);
}

SignalWatcher::~SignalWatcher()
{
    if (!m_notifier)
        return;
    for (int signalNumber : m_signalNumbers)
        ::signal(signalNumber, SIG_DFL);
    delete m_notifier;
    ::close(s_writeEnd);
    ::close(s_readEnd);
    s_writeEnd = s_readEnd = -1;
}

void SignalWatcher::handle(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(s_writeEnd, &byte, 1);
}

void SignalWatcher::readSignal()
{
    unsigned char byte = 0;
    if (::read(s_readEnd, &byte, 1) == 1)
        emit signalled(int(byte));
}
