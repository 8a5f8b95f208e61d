// The gate in front of the live session's HTTP requests.

#include "live_gate.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qxsim {
namespace {

using Clock = std::chrono::steady_clock;

thread_local bool tBodyCut = false;
thread_local bool tCloseAfter = false;

int msUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

bool pollFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int n = 0;
    while ((n = ::poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    return n > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
}

void address(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_storage addr{};
    socklen_t len = sizeof(addr);
    const int rc = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len)
                        : ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    if (rc != 0 || addr.ss_family != AF_INET) {
        return;
    }
    const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text));
    ip = text;
    port = ntohs(in->sin_port);
}

// One request's reads and writes on a connection: the bytes the gate read
// first, then the socket, each within its deadline and the body within its
// byte limit.
class GateStream : public httplib::Stream {
public:
    GateStream(int fd, std::string bytes, const GateLimits& limits)
        : mFd(fd),
          mBuffer(std::move(bytes)),
          mLimits(limits),
          mReadDeadline(Clock::now() + limits.bodyTime),
          mReadLeft(limits.headBytes + limits.bodyBytes) {}

    bool is_readable() const override {
        return mPos < mBuffer.size() || pollFor(mFd, POLLIN, msUntil(mReadDeadline));
    }
    bool is_writable() const override {
        if (!pollFor(mFd, POLLOUT, static_cast<int>(mLimits.writeTime.count()))) {
            return false;
        }
        // A peer that closed its end reads as end of file.
        char byte = 0;
        return !pollFor(mFd, POLLIN, 0) || ::recv(mFd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0;
    }
    ssize_t read(char* ptr, std::size_t size) override {
        if (mPos < mBuffer.size()) {
            const std::size_t n = std::min(size, mBuffer.size() - mPos);
            std::memcpy(ptr, mBuffer.data() + mPos, n);
            mPos += n;
            return static_cast<ssize_t>(n);
        }
        if (mReadLeft == 0) {
            tBodyCut = true;
            return -1;
        }
        mBuffer.resize(std::min<std::size_t>(4096, mReadLeft));
        mPos = 0;
        if (!pollFor(mFd, POLLIN, msUntil(mReadDeadline))) {
            mBuffer.clear();
            return -1;
        }
        ssize_t n = 0;
        while ((n = ::recv(mFd, mBuffer.data(), mBuffer.size(), 0)) < 0 && errno == EINTR) {
        }
        mBuffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        mReadLeft -= mBuffer.size();
        return n <= 0 ? -1 : read(ptr, size);
    }
    ssize_t write(const char* ptr, std::size_t size) override {
        std::size_t done = 0;
        while (done < size) {
            if (!pollFor(mFd, POLLOUT, static_cast<int>(mLimits.writeTime.count()))) {
                return -1;
            }
            const ssize_t n = ::send(mFd, ptr + done, size - done, MSG_NOSIGNAL);
            if (n < 0 && errno != EINTR && errno != EAGAIN) {
                return -1;
            }
            done += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        return static_cast<ssize_t>(size);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address(mFd, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address(mFd, false, ip, port);
    }
    socket_t socket() const override { return mFd; }

    // What came after this request, for the next one.
    std::string leftover() const { return mBuffer.substr(std::min(mPos, mBuffer.size())); }

private:
    int mFd;
    std::string mBuffer;
    std::size_t mPos = 0;
    const GateLimits& mLimits;
    Clock::time_point mReadDeadline;
    std::size_t mReadLeft;
};

// httplib hands each accepted connection to its task queue: here straight on
// to the gate, on the listening thread.
class Handover : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

}  // namespace

GatedServer::GatedServer(GateLimits limits) : mLimits(limits) {
    new_task_queue = [] { return new Handover; };
    // Exclusive: no SO_REUSEPORT, so a second server on the port fails to bind.
    // Not inherited by the replays qxsim starts.
    set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        ::fcntl(sock, F_SETFD, FD_CLOEXEC);
    });
    if (::pipe2(mWake, O_CLOEXEC | O_NONBLOCK) != 0) {
        mWake[0] = mWake[1] = -1;
    }
    mGate = std::thread([this] { gateLoop(); });
    for (std::size_t i = 0; i < mLimits.workers; ++i) {
        mWorkers.emplace_back([this] { workLoop(); });
    }
}

GatedServer::~GatedServer() {
    shutdown();
}

void GatedServer::shutdown() {
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (mStop) {
            return;
        }
        mStop = true;
    }
    mCv.notify_all();
    wake();
    mGate.join();
    for (std::thread& worker : mWorkers) {
        worker.join();
    }
    for (Ready& r : mReady) {
        ::close(r.fd);
    }
    for (Waiting& w : mAdmitted) {
        ::close(w.fd);
    }
    ::close(mWake[0]);
    ::close(mWake[1]);
}

bool GatedServer::bodyCut() {
    return tBodyCut;
}

void GatedServer::closeAfterAnswer() {
    tCloseAfter = true;
}

bool GatedServer::process_and_close_socket(socket_t sock) {
    ::fcntl(sock, F_SETFD, FD_CLOEXEC);
    int yes = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));
    admit(sock, {});
    return true;
}

void GatedServer::admit(int fd, std::string bytes) {
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (mStop) {
            ::close(fd);
            return;
        }
        const auto wait = bytes.empty() ? mLimits.idleTime : mLimits.headTime;
        mAdmitted.push_back({fd, std::move(bytes), Clock::now() + wait});
    }
    wake();
}

void GatedServer::wake() {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(mWake[1], &byte, 1);
}

bool GatedServer::readHead(Waiting& w) {
    char buf[4096];
    const ssize_t n = ::recv(w.fd, buf, sizeof(buf), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return false;
    }
    if (n <= 0 || w.head.size() + static_cast<std::size_t>(n) > mLimits.headBytes) {
        ::close(w.fd);
        w.fd = -1;
        return true;
    }
    if (w.head.empty()) {
        w.deadline = std::min(w.deadline, Clock::now() + mLimits.headTime);
    }
    w.head.append(buf, static_cast<std::size_t>(n));
    return w.head.find("\r\n\r\n") != std::string::npos;
}

void GatedServer::gateLoop() {
    std::vector<Waiting> waiting;
    std::vector<pollfd> fds;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(mLock);
            if (mStop) {
                break;
            }
            for (Waiting& w : mAdmitted) {
                // A head that came with the last request's leftovers may be whole.
                if (w.head.find("\r\n\r\n") != std::string::npos) {
                    mReady.push_back({w.fd, std::move(w.head)});
                    mCv.notify_one();
                } else {
                    waiting.push_back(std::move(w));
                }
            }
            mAdmitted.clear();
        }
        // Too many waiting: the ones that came first go.
        while (waiting.size() > mLimits.waiting) {
            ::close(waiting.front().fd);
            waiting.erase(waiting.begin());
        }
        const Clock::time_point now = Clock::now();
        Clock::time_point next = now + std::chrono::seconds(1);
        fds.assign(1, pollfd{mWake[0], POLLIN, 0});
        for (const Waiting& w : waiting) {
            fds.push_back(pollfd{w.fd, POLLIN, 0});
            next = std::min(next, w.deadline);
        }
        while (::poll(fds.data(), fds.size(), msUntil(next)) < 0 && errno == EINTR) {
        }
        if (fds[0].revents != 0) {
            char drain[64];
            while (::read(mWake[0], drain, sizeof(drain)) > 0) {
            }
        }
        std::vector<Ready> ready;
        std::size_t keep = 0;
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            Waiting& w = waiting[i];
            const bool done = fds[i + 1].revents != 0 && readHead(w);
            if (done && w.fd >= 0) {
                ready.push_back({w.fd, std::move(w.head)});
            } else if (!done && Clock::now() >= w.deadline) {
                ::close(w.fd);
            } else if (!done) {
                waiting[keep++] = std::move(w);
            }
        }
        waiting.resize(keep);
        if (!ready.empty()) {
            std::lock_guard<std::mutex> guard(mLock);
            for (Ready& r : ready) {
                mReady.push_back(std::move(r));
            }
            mCv.notify_all();
        }
    }
    for (Waiting& w : waiting) {
        ::close(w.fd);
    }
}

void GatedServer::workLoop() {
    for (;;) {
        Ready ready;
        {
            std::unique_lock<std::mutex> lock(mLock);
            mCv.wait(lock, [this] { return mStop || !mReady.empty(); });
            if (mStop) {
                return;
            }
            ready = std::move(mReady.front());
            mReady.pop_front();
        }
        serve(std::move(ready));
    }
}

void GatedServer::serve(Ready ready) {
    for (;;) {
        tBodyCut = tCloseAfter = false;
        GateStream stream(ready.fd, std::move(ready.bytes), mLimits);
        bool closed = false;
        const bool ok = process_request(stream, false, closed, [](httplib::Request&) {});
        if (!ok || closed || tBodyCut || tCloseAfter) {
            ::close(ready.fd);
            return;
        }
        // A page steering the session sends its next step soon: a request
        // that comes within the linger is served here, without the hand-over.
        Waiting next{ready.fd, stream.leftover(), Clock::now() + mLimits.headTime};
        const bool whole =
            next.head.find("\r\n\r\n") != std::string::npos ||
            (pollFor(ready.fd, POLLIN, static_cast<int>(mLimits.linger.count())) && readHead(next));
        if (next.fd < 0) {
            return;
        }
        if (!whole) {
            return admit(next.fd, std::move(next.head));
        }
        ready = Ready{next.fd, std::move(next.head)};
    }
}

}  // namespace qxsim
