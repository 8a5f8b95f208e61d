// The live session's HTTP server (cpp-httplib) with a gate in front of its
// requests. cpp-httplib 0.11.4 gives each connection a thread from accept to
// close, bounds only each single read and ignores its body limit for chunked
// bodies, so slow or idle clients could hold every thread. Here a connection
// waits in the gate, holding no thread, until the head of a request has
// arrived whole, within a deadline; then a worker serves that one request,
// reads its body within a deadline and a byte limit, and gives the connection
// back to the gate to wait for the next request.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qxsim {

struct GateLimits {
    std::size_t workers = 12;                   // requests served at once (event streams included)
    std::size_t waiting = 256;                  // connections waiting; more drop the oldest
    std::size_t headBytes = 16384;              // a request's line and headers
    std::size_t bodyBytes = 65536;              // a request's body as it comes (chunked or not)
    std::chrono::milliseconds headTime{3000};   // from the first byte to the whole head
    std::chrono::milliseconds idleTime{5000};   // a connection waiting for its next request
    std::chrono::milliseconds bodyTime{5000};   // reading a body
    std::chrono::milliseconds writeTime{5000};  // one write that makes no progress
    std::chrono::milliseconds linger{200};      // a worker waits for the next request itself
};

class GatedServer : public httplib::Server {
public:
    explicit GatedServer(GateLimits limits);
    ~GatedServer() override;
    GatedServer(const GatedServer&) = delete;
    GatedServer& operator=(const GatedServer&) = delete;

    // Ends the gate and the workers after the listener (httplib's stop()).
    void shutdown();
    // Whether the request this thread serves read more body than allowed, and
    // asks that its connection be closed after the answer (any request).
    static bool bodyCut();
    static void closeAfterAnswer();

private:
    struct Waiting {
        int fd;
        std::string head;  // bytes read so far
        std::chrono::steady_clock::time_point deadline;
    };
    struct Ready {
        int fd;
        std::string bytes;  // the head and whatever came after it
    };

    bool process_and_close_socket(socket_t sock) override;
    void admit(int fd, std::string bytes);
    void gateLoop();
    void workLoop();
    void serve(Ready ready);
    // Reads what `w` has to give; true when its head is whole or it failed
    // (then `w.fd` is -1).
    bool readHead(Waiting& w);
    void wake();

    const GateLimits mLimits;
    std::mutex mLock;
    std::condition_variable mCv;
    std::vector<Waiting> mAdmitted;  // new for the gate thread
    std::deque<Ready> mReady;
    bool mStop = false;
    int mWake[2] = {-1, -1};
    std::thread mGate;
    std::vector<std::thread> mWorkers;
};

}  // namespace qxsim
