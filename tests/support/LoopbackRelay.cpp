#include "support/LoopbackRelay.h"

#include <arpa/inet.h>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace tbn::test {

namespace {

// The code a PostgreSQL client puts after the length of a cancel request.
constexpr unsigned char kCancelRequestCode[4] = {0x04, 0xD2, 0x16, 0x2E};

int ConnectTo(const std::string& host, const std::string& port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

bool WriteAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

LoopbackRelay::LoopbackRelay(const std::string& serverHost, const std::string& serverPort,
                             Cancels cancels)
    : serverHost_(serverHost), serverPort_(serverPort), cancels_(cancels) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(wakePipe_, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("the relay cannot listen: ") + std::strerror(errno));
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

void LoopbackRelay::Wake(char why) {
    if (write(wakePipe_[1], &why, 1) != 1) std::terminate();
}

void LoopbackRelay::Freeze() {
    frozen_ = true;
    Wake('f');
}

LoopbackRelay::~LoopbackRelay() {
    Wake('s');
    thread_.join();
    for (const Relay& relay : relays_) {
        close(relay.client);
        close(relay.server);
    }
    for (int fd : held_) close(fd);
    close(listener_);
    close(wakePipe_[0]);
    close(wakePipe_[1]);
}

void LoopbackRelay::Serve() {
    for (;;) {
        std::vector<pollfd> watched{{wakePipe_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        // Frozen, what either side sends stays where it is, unread.
        for (const Relay& relay : frozen_ ? std::vector<Relay>{} : relays_) {
            watched.push_back({relay.client, POLLIN, 0});
            watched.push_back({relay.server, POLLIN, 0});
        }
        if (poll(watched.data(), watched.size(), -1) < 0) continue;
        if (watched[0].revents) {
            char why = 0;
            if (read(wakePipe_[0], &why, 1) != 1 || why == 's') return;
            continue;
        }
        for (std::size_t i = 0; 2 + 2 * i < watched.size();) {
            const pollfd& client = watched[2 + 2 * i];
            const pollfd& server = watched[3 + 2 * i];
            const bool open = (!client.revents || Pump(relays_[i].client, relays_[i].server)) &&
                              (!server.revents || Pump(relays_[i].server, relays_[i].client));
            if (open) {
                ++i;
                continue;
            }
            close(relays_[i].client);
            close(relays_[i].server);
            relays_.erase(relays_.begin() + static_cast<std::ptrdiff_t>(i));
            watched.erase(watched.begin() + 2 + static_cast<std::ptrdiff_t>(2 * i),
                          watched.begin() + 4 + static_cast<std::ptrdiff_t>(2 * i));
        }
        // After the relays, so that the one it adds is not looked up among those just polled.
        if (watched[1].revents) Accept();
    }
}

void LoopbackRelay::Accept() {
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    if (frozen_) {
        held_.push_back(client);
        return;
    }
    // Every PostgreSQL client message starts with its length and a code; the cancel request is 16
    // bytes. (Other servers speak first, so nothing is read ahead for them.)
    char start[8];
    std::size_t started = 0;
    if (cancels_ == Cancels::DeafToPostgresCancels) {
        if (recv(client, start, sizeof start, MSG_WAITALL) != sizeof start) {
            close(client);
            return;
        }
        if (std::memcmp(start + 4, kCancelRequestCode, sizeof kCancelRequestCode) == 0) {
            held_.push_back(client);
            ++cancelsHeld_;
            return;
        }
        started = sizeof start;
    }
    const int server = ConnectTo(serverHost_, serverPort_);
    if (server < 0 || !WriteAll(server, start, static_cast<ssize_t>(started))) {
        if (server >= 0) close(server);
        close(client);
        return;
    }
    relays_.push_back({client, server});
}

bool LoopbackRelay::Pump(int from, int to) {
    char buffer[65536];
    const ssize_t n = recv(from, buffer, sizeof buffer, 0);
    return n > 0 && WriteAll(to, buffer, n);
}

}  // namespace tbn::test
