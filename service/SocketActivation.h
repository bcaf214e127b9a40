#pragma once

// The handover of listening sockets by systemd ("socket activation"): the
// sockets are the descriptors from 3 on, LISTEN_FDS counts them and
// LISTEN_PID names the process they are meant for.
namespace SocketActivation {

constexpr int kFirstDescriptor = 3;

// The first socket handed to this process, or -1 when none was. The
// variables are removed either way, so that no child of this process takes
// the sockets for its own.
int takeListeningSocket();

} // namespace SocketActivation
