// A loopback HTTP server that answers every request with the same agent stream: `count` lines
// `data: {"delta":"abcde"}`, one write() each. The body ends when the connection closes; with
// `--chunked` each line is one chunk instead, as cpp-httplib frames a streamed answer.
// Connections are served one after another. The first line of standard output is the port.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Reads the request head and its Content-Length body so the client never sees a reset.
bool readRequest(int client)
{
    std::string request;
    char buffer[4096];
    for (;;) {
        const std::size_t headEnd = request.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
            std::size_t length = 0;
            const std::size_t field = request.find("ontent-Length:");
            if (field != std::string::npos && field < headEnd)
                length = std::strtoul(request.c_str() + field + 14, nullptr, 10);
            if (request.size() >= headEnd + 4 + length)
                return true;
        }
        const ssize_t got = read(client, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        request.append(buffer, static_cast<std::size_t>(got));
    }
}

bool writeAll(int client, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = write(client, data, size);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

void serve(int client, long count, bool chunked)
{
    if (!readRequest(client))
        return;
    const std::string head = std::string("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n") +
                             (chunked ? "Transfer-Encoding: chunked\r\n" : "") +
                             "Connection: close\r\n\r\n";
    if (!writeAll(client, head.data(), head.size()))
        return;
    static const char event[] = "data: {\"delta\":\"abcde\"}\n";
    char chunk[64];
    const int size =
        chunked ? std::snprintf(chunk, sizeof chunk, "%zx\r\n%s\r\n", sizeof event - 1, event)
                : std::snprintf(chunk, sizeof chunk, "%s", event);
    for (long i = 0; i < count; ++i) {
        if (!writeAll(client, chunk, static_cast<std::size_t>(size)))
            return;
    }
    if (chunked)
        writeAll(client, "0\r\n\r\n", 5);
}

} // namespace

int main(int argc, char **argv)
{
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
    const bool chunked = argc > 2 && std::strcmp(argv[2], "--chunked") == 0;
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        std::perror("stream server");
        return 1;
    }
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (;;) {
        const int client = accept(listener, nullptr, nullptr);
        if (client < 0)
            continue;
        // One write per event must mean one segment per event, as a real stream sends them.
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        serve(client, count, chunked);
        shutdown(client, SHUT_WR);
        char drain[256];
        while (read(client, drain, sizeof drain) > 0) {
        }
        close(client);
    }
}
