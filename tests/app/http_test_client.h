// A plain HTTP client over loopback sockets for the tests of the live server: requests are
// sent byte for byte as written, so that malformed ones can be.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace testhttp {

inline int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether `got` holds a whole answer: its head and as many bytes as Content-Length says.
inline bool Whole(const std::string& got) {
    const size_t head = got.find("\r\n\r\n");
    const size_t length = got.find("\r\nContent-Length: ");
    if (head == std::string::npos || length == std::string::npos || length > head) return false;
    return got.size() >= head + 4 + std::stoul(got.substr(length + 18));
}

// Reads what arrives until `until` is in it (with "", a whole answer), the peer closes, or
// `ms` pass quietly.
inline std::string ReadUntil(int fd, const std::string& until, int ms = 3000) {
    std::string got;
    char buffer[65536];
    pollfd p{fd, POLLIN, 0};
    while (!(until.empty() ? Whole(got) : got.find(until) != std::string::npos) &&
           ::poll(&p, 1, ms) > 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

// Sends `request` with "Connection: close" added to its head and returns the whole answer.
inline std::string Send(int port, std::string request) {
    const size_t head = request.find("\r\n\r\n");
    if (head != std::string::npos && request.find("Connection:") == std::string::npos)
        request.insert(head + 2, "Connection: close\r\n");
    const int fd = Connect(port);
    if (fd < 0) return "";
    size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break; // the server may close early on a request it refuses
        sent += static_cast<size_t>(n);
    }
    const std::string answer = ReadUntil(fd, "");
    ::close(fd);
    return answer;
}

} // namespace testhttp
