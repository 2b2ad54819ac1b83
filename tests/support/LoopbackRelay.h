#pragma once
// A loopback relay in front of a database server, for servers that misbehave as real ones do.
// Connect with Host=127.0.0.1 and Port() instead of the server's own. It passes every connection
// through, but:
//  - with DeafToPostgresCancels, it takes PostgreSQL cancel requests and never answers them: a
//    server that ignores cancels, as a busy or badly routed one does;
//  - after Freeze(), it passes nothing more either way and takes new connections without ever
//    answering them: a server stopped in its tracks (SIGSTOP), whose kernel still completes each
//    connection.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tbn::test {

class LoopbackRelay {
public:
    enum class Cancels { Pass, DeafToPostgresCancels };

    // Raises std::runtime_error when it cannot listen.
    LoopbackRelay(const std::string& serverHost, const std::string& serverPort,
                  Cancels cancels = Cancels::Pass);
    ~LoopbackRelay();  // closes every connection, held ones included
    LoopbackRelay(const LoopbackRelay&) = delete;
    LoopbackRelay& operator=(const LoopbackRelay&) = delete;

    std::string Port() const { return std::to_string(port_); }
    int CancelsHeld() const { return cancelsHeld_.load(); }
    void Freeze();

private:
    struct Relay {
        int client;
        int server;
    };
    void Serve();
    void Accept();
    void Wake(char why);
    bool Pump(int from, int to);  // false at the end of either side

    std::string serverHost_;
    std::string serverPort_;
    Cancels cancels_;
    int listener_ = -1;
    int port_ = 0;
    int wakePipe_[2] = {-1, -1};
    std::vector<Relay> relays_;
    std::vector<int> held_;
    std::atomic<int> cancelsHeld_{0};
    std::atomic<bool> frozen_{false};
    std::thread thread_;
};

}  // namespace tbn::test
