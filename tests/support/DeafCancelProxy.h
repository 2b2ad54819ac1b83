#pragma once
// A loopback relay in front of a PostgreSQL server that passes every connection through except
// cancel requests, which it takes and never answers: a server that ignores cancels, as a busy or
// badly routed one does. Connect with Host=127.0.0.1 and Port() instead of the server's own.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tbn::test {

class DeafCancelProxy {
public:
    // Raises std::runtime_error when it cannot listen.
    DeafCancelProxy(const std::string& serverHost, const std::string& serverPort);
    ~DeafCancelProxy();  // closes every connection, held cancel requests included
    DeafCancelProxy(const DeafCancelProxy&) = delete;
    DeafCancelProxy& operator=(const DeafCancelProxy&) = delete;

    std::string Port() const { return std::to_string(port_); }
    int CancelsHeld() const { return cancelsHeld_.load(); }

private:
    struct Relay {
        int client;
        int server;
    };
    void Serve();
    void Accept();
    bool Pump(int from, int to);  // false at the end of either side

    std::string serverHost_;
    std::string serverPort_;
    int listener_ = -1;
    int port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::vector<Relay> relays_;
    std::vector<int> held_;
    std::atomic<int> cancelsHeld_{0};
    std::thread thread_;
};

} // namespace tbn::test
