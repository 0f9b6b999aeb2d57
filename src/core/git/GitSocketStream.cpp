#include "core/git/GitSocketStream.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <git2.h>
#include <git2/sys/stream.h>

namespace {

struct SocketStream {
    git_stream parent; // first, so libgit2 can treat a SocketStream* as a git_stream*
    std::string host;
    std::string port;
    int socket = -1;
};

SocketStream *self(git_stream *stream)
{
    return reinterpret_cast<SocketStream *>(stream);
}

int failWithErrno(const std::string &what)
{
    const std::string message = what + ": " + std::strerror(errno);
    git_error_set_str(GIT_ERROR_NET, message.c_str());
    return -1;
}

int connectStream(git_stream *stream)
{
    SocketStream *s = self(stream);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *addresses = nullptr;
    const int resolved = getaddrinfo(s->host.c_str(), s->port.c_str(), &hints, &addresses);
    if (resolved != 0) {
        const std::string message =
            "failed to resolve address for " + s->host + ": " + gai_strerror(resolved);
        git_error_set_str(GIT_ERROR_NET, message.c_str());
        return -1;
    }
    int lastErrno = 0;
    for (addrinfo *address = addresses; address; address = address->ai_next) {
        const int fd =
            ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) {
            lastErrno = errno;
            continue;
        }
        if (::connect(fd, address->ai_addr, address->ai_addrlen) == 0) {
            const int on = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            s->socket = fd;
            break;
        }
        lastErrno = errno;
        ::close(fd);
    }
    freeaddrinfo(addresses);
    if (s->socket < 0) {
        errno = lastErrno;
        return failWithErrno("failed to connect to " + s->host);
    }
    return 0;
}

ssize_t readStream(git_stream *stream, void *data, size_t length)
{
    for (;;) {
        const ssize_t received = ::recv(self(stream)->socket, data, length, 0);
        if (received >= 0) {
            return received;
        }
        if (errno != EINTR) {
            failWithErrno("could not read from socket");
            return -1;
        }
    }
}

ssize_t writeStream(git_stream *stream, const char *data, size_t length, int flags)
{
    for (;;) {
        const ssize_t sent = ::send(self(stream)->socket, data, length, flags | MSG_NOSIGNAL);
        if (sent >= 0) {
            return sent;
        }
        if (errno != EINTR) {
            failWithErrno("could not write to socket");
            return -1;
        }
    }
}

int closeStream(git_stream *stream)
{
    SocketStream *s = self(stream);
    if (s->socket >= 0 && ::close(s->socket) < 0) {
        s->socket = -1;
        return failWithErrno("could not close socket");
    }
    s->socket = -1;
    return 0;
}

void freeStream(git_stream *stream)
{
    SocketStream *s = self(stream);
    if (s->socket >= 0) {
        ::close(s->socket);
    }
    delete s;
}

int newStream(git_stream **out, const char *host, const char *port)
{
    auto *s = new SocketStream{};
    s->parent.version = GIT_STREAM_VERSION;
    s->parent.connect = connectStream;
    s->parent.read = readStream;
    s->parent.write = writeStream;
    s->parent.close = closeStream;
    s->parent.free = freeStream;
    s->host = host ? host : "";
    s->port = port ? port : "";
    *out = &s->parent;
    return 0;
}

} // namespace

namespace GitSocketStream {

void install()
{
    git_stream_registration registration{};
    registration.version = GIT_STREAM_VERSION;
    registration.init = newStream;
    git_stream_register(GIT_STREAM_STANDARD, &registration);
}

} // namespace GitSocketStream
