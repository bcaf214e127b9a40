#include "service/SocketActivation.h"

#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace SocketActivation {
namespace {

// The handed descriptors, or 0 when they are not meant for this process.
int handedCount()
{
    bool pidRead = false;
    bool countRead = false;
    const qint64 pid = qEnvironmentVariable("LISTEN_PID").toLongLong(&pidRead);
    const int count = qEnvironmentVariableIntValue("LISTEN_FDS", &countRead);
    // The variables may have been inherited from a parent that was started
    // this way: they count only when they name this very process.
    if (!pidRead || !countRead || pid != qint64(::getpid()) || count < 1)
        return 0;
    return count;
}

} // namespace

int takeListeningSocket()
{
    const int count = handedCount();
    qunsetenv("LISTEN_PID");
    qunsetenv("LISTEN_FDS");
    qunsetenv("LISTEN_FDNAMES");
    if (count == 0)
        return -1;
    // systemd hands the sockets over without close-on-exec; nothing this
    // process starts may keep them.
    for (int descriptor = kFirstDescriptor; descriptor < kFirstDescriptor + count; ++descriptor)
        ::fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    return kFirstDescriptor;
}

} // namespace SocketActivation
