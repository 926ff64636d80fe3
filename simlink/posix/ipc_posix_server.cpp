// ipc_posix_server.cpp - the server side of the native IPC layer: owning a
// window class, taking sent messages and answering them.
#include "simlink/posix/ipc_posix_server.h"
#include "simlink/posix/ipc_posix_shared.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool isLiveServer(const char* path) {
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    bool live = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return live;
}

void dropConnection(IpcPosixServerConnection& c) {
    if (c.socket >= 0) {
        close(c.socket);
    }
    c.socket = -1;
    c.pendingBytes = 0;
}

// Takes one complete request out of a connection's buffer.
bool takeRequest(IpcPosixServer* server, int index, IpcPosixMessage* message) {
    IpcPosixServerConnection& c = server->connections[index];
    if (c.pendingBytes < sizeof(IpcPosixRequest)) {
        return false;
    }
    IpcPosixRequest r;
    std::memcpy(&r, c.pending, sizeof r);
    c.pendingBytes -= sizeof r;
    std::memmove(c.pending, c.pending + sizeof r, c.pendingBytes);
    if (r.magic != IpcPosixRequestMagic) {
        dropConnection(c);
        return false;
    }
    *message = IpcPosixMessage{index, r.sequence, r.message, r.firstParam, r.secondParam};
    return true;
}

} // namespace

bool ipcServerAnnounce(IpcPosixServer* server, const char* className) {
    *server = IpcPosixServer{};
    server->listenSocket = -1;
    for (IpcPosixServerConnection& c : server->connections) {
        c.socket = -1;
    }
    char path[sizeof server->path];
    if (!ipcPosixWindowPath(className, path, sizeof path)) {
        return false;
    }
    if (isLiveServer(path)) {
        return false; // the class has a live owner
    }
    // Bound and listening under a private name first, then renamed into
    // place: a client never meets a socket that exists but does not listen
    // yet, and the rename replaces a dead server's file in one step.
    char temp[sizeof server->path];
    int n = std::snprintf(temp, sizeof temp, "%s.%u", path, static_cast<unsigned>(getpid()));
    if (n <= 0 || static_cast<size_t>(n) >= sizeof temp) {
        return false;
    }
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", temp);
    unlink(temp);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0 ||
        rename(temp, path) != 0) {
        close(s);
        unlink(temp);
        return false;
    }
    fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK);
    server->listenSocket = s;
    server->announced = true;
    std::snprintf(server->path, sizeof server->path, "%s", path);
    return true;
}

bool ipcServerReceive(IpcPosixServer* server, int timeoutMilliseconds, IpcPosixMessage* message) {
    if (!server->announced) {
        return false;
    }
    for (int i = 0; i < IpcPosixServerConnections; ++i) {
        if (server->connections[i].socket >= 0 && takeRequest(server, i, message)) {
            return true;
        }
    }
    pollfd fds[1 + IpcPosixServerConnections];
    int index[1 + IpcPosixServerConnections];
    int count = 0;
    bool room = false;
    for (int i = 0; i < IpcPosixServerConnections; ++i) {
        if (server->connections[i].socket >= 0) {
            fds[count] = pollfd{server->connections[i].socket, POLLIN, 0};
            index[count++] = i;
        } else {
            room = true;
        }
    }
    if (room) {
        fds[count] = pollfd{server->listenSocket, POLLIN, 0};
        index[count++] = -1;
    }
    int ready = poll(fds, static_cast<nfds_t>(count), timeoutMilliseconds);
    if (ready <= 0) {
        return false;
    }
    bool got = false;
    for (int k = 0; k < count; ++k) {
        if (!fds[k].revents) {
            continue;
        }
        if (index[k] < 0) {
            int c = accept4(server->listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
            if (c >= 0) {
                for (IpcPosixServerConnection& slot : server->connections) {
                    if (slot.socket < 0) {
                        slot.socket = c;
                        slot.pendingBytes = 0;
                        c = -1;
                        break;
                    }
                }
                if (c >= 0) {
                    close(c);
                }
            }
            continue;
        }
        IpcPosixServerConnection& c = server->connections[index[k]];
        ssize_t n = recv(c.socket, c.pending + c.pendingBytes, sizeof c.pending - c.pendingBytes,
                         MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n <= 0) {
            dropConnection(c);
            continue;
        }
        c.pendingBytes += static_cast<size_t>(n);
        if (!got && takeRequest(server, index[k], message)) {
            got = true;
        }
    }
    return got;
}

bool ipcServerReply(IpcPosixServer* server, const IpcPosixMessage& message, uint64_t result) {
    if (message.connection < 0 || message.connection >= IpcPosixServerConnections) {
        return false;
    }
    IpcPosixServerConnection& c = server->connections[message.connection];
    if (c.socket < 0) {
        return false;
    }
    IpcPosixReply r{IpcPosixReplyMagic, message.sequence, result};
    const char* p = reinterpret_cast<const char*>(&r);
    size_t left = sizeof r;
    while (left > 0) {
        // A client that no longer reads its answers is dropped rather than
        // allowed to stall the server.
        ssize_t n = send(c.socket, p, left, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            dropConnection(c);
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

void ipcServerClose(IpcPosixServer* server) {
    if (!server->announced) {
        return;
    }
    // Remove the name first. No other server can have replaced it while we
    // were alive: announcing refuses a class whose owner answers.
    unlink(server->path);
    for (IpcPosixServerConnection& c : server->connections) {
        dropConnection(c);
    }
    close(server->listenSocket);
    server->listenSocket = -1;
    server->announced = false;
}
