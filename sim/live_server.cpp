// The live session's HTTP server: Boost.Beast over Boost.Asio, a few threads
// of its own, each connection on a strand. A connection reads one request's
// head, judges it, reads its body only when it is accepted, answers, and
// reads the next head; a refusal is answered once and ends the connection.

#include "live_server.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// ThreadSanitizer does not see fences: under it Asio counts its references
// and orders its handlers with atomics and locks that it does see.
#if defined(__SANITIZE_THREAD__)
#define BOOST_ASIO_DISABLE_FENCED_BLOCK
#define BOOST_ASIO_DISABLE_STD_ATOMIC
#endif
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace qxsim {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using beast::error_code;
using Status = http::status;

// The longest step line a page may send, a request's body and its head
// (from its request line to the blank line that ends it).
constexpr std::size_t kMaxStepBytes = 1000;
constexpr std::size_t kMaxBodyBytes = 64 * 1024;
constexpr std::size_t kMaxHeadBytes = 16 * 1024;
// Connections waiting for a request's head or body; past that the one that
// waited longest goes, one that never brought an accepted request first.
constexpr std::size_t kWaitingConnections = 256;
// A connection's first byte of a head comes within kIdleTime of the
// connection or the last answer, the rest of the head within kHeadTime; a
// body within kBodyTime; a write that makes no progress ends it.
constexpr std::chrono::seconds kIdleTime{5};
constexpr std::chrono::seconds kHeadTime{3};
constexpr std::chrono::seconds kBodyTime{5};
constexpr std::chrono::seconds kWriteTime{5};
// What a connection's client sent and the server did not read, taken (as
// far as it has come) before the connection closes: a close with bytes
// unread resets the connection, and the client might lose the answer.
constexpr std::size_t kUnreadBytes = 256 * 1024;
// An event stream with nothing to say writes a comment this often, so a
// closed page is noticed and its place given up.
constexpr std::chrono::milliseconds kIdleBeat{500};
// Threads that serve requests.
constexpr int kThreads = 2;
// The type and header of a page's POSTs.
constexpr std::string_view kPostType = "application/x-qxsim";
constexpr const char* kSecretHeader = "X-Qxsim-Secret";
// The launch token: 128 random bits.
constexpr int kTokenDigits = 32;
// Refusals told on standard error: kRefusalBurst at once, then one a second.
constexpr double kRefusalBurst = 10;
// The most of a request's path a refusal's line shows.
constexpr std::size_t kLoggedPathBytes = 80;

std::mutex& logLock() {
    static std::mutex lock;
    return lock;
}

// Refusals so far; past a burst one line a second tells of them, and says
// how many it stands for. Under logLock().
struct RefusalLines {
    LiveRefusals told;
    std::uint64_t sinceLine = 0;
    double credit = kRefusalBurst;
    std::chrono::steady_clock::time_point last;
};

RefusalLines& refusalLines() {
    static RefusalLines lines;
    return lines;
}

// The text with what a terminal acts on written as \xNN: C0 and C1 controls
// (also as UTF-8), DEL and bytes that are no UTF-8; a backslash is doubled,
// so that no text reads as such an escape.
std::string terminalSafe(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    std::string out;
    out.reserve(text.size());
    const auto escape = [&](std::string_view bytes) {
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        }
    };
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = lead < 0x80                    ? 1
                             : lead >= 0xc2 && lead <= 0xdf ? 2
                             : lead >= 0xe0 && lead <= 0xef ? 3
                             : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                            : 0;
        std::uint32_t code = length == 1 ? lead : lead & (0xffu >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = at + k < text.size() ? static_cast<unsigned char>(text[at + k]) : 0;
            if ((next & 0xc0) != 0x80) {
                length = 0;
                break;
            }
            code = code << 6 | (next & 0x3f);
        }
        if (length == 0 || code < kLeast[length] || (code >= 0xd800 && code <= 0xdfff) ||
            code > 0x10ffff) {
            escape(text.substr(at, 1));
            ++at;
            continue;
        }
        if (code < 0x20 || (code >= 0x7f && code <= 0x9f)) {
            escape(text.substr(at, length));
        } else if (code == '\\') {
            out += "\\\\";
        } else {
            out += text.substr(at, length);
        }
        at += length;
    }
    return out;
}

void writeLogLine(std::string_view text) {
    std::fprintf(stderr, "qxsim: live: %s\n", terminalSafe(text).c_str());
    std::fflush(stderr);
}

void logRefusal(const std::string& text) {
    std::lock_guard<std::mutex> guard(logLock());
    RefusalLines& lines = refusalLines();
    const auto now = std::chrono::steady_clock::now();
    lines.credit = std::min(kRefusalBurst,
                            lines.credit + std::chrono::duration<double>(now - lines.last).count());
    lines.last = now;
    ++lines.told.count;
    if (lines.credit < 1) {
        ++lines.told.unlogged;
        ++lines.sinceLine;
        return;
    }
    lines.credit -= 1;
    writeLogLine(lines.sinceLine == 0 ? text
                                      : text + " (and " + std::to_string(lines.sinceLine) +
                                            " more refused since the last line)");
    lines.sinceLine = 0;
}

std::string replaced(std::string text, std::string_view marker, const std::string& value) {
    for (std::size_t at = 0; (at = text.find(marker, at)) != std::string::npos;
         at += value.size()) {
        text.replace(at, marker.size(), value);
    }
    return text;
}

// The names this server answers to: its own address and the loopback's other
// names, with any port (a forwarded port has another number) or none.
bool ownHost(std::string_view host) {
    for (std::string_view name : {"127.0.0.1", "localhost", "[::1]"}) {
        if (!host.starts_with(name)) {
            continue;
        }
        std::string_view port = host.substr(name.size());
        if (port.empty()) {
            return true;
        }
        port.remove_prefix(1);
        return host[name.size()] == ':' && !port.empty() && port.size() <= 5 &&
               port.find_first_not_of("0123456789") == std::string_view::npos;
    }
    return false;
}

// The value of `name` in the target's query, as sent (secrets need no decoding).
std::string_view queryValue(std::string_view target, std::string_view name) {
    std::size_t at = target.find('?');
    while (at != std::string_view::npos) {
        const std::string_view rest = target.substr(at + 1);
        const std::size_t end = rest.find('&');
        const std::string_view pair = rest.substr(0, end);
        if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=') {
            return pair.substr(name.size() + 1);
        }
        at = end == std::string_view::npos ? end : at + 1 + end;
    }
    return {};
}

// Whether the request carries the cookie `name` with the value `token`.
bool holdsCookie(const http::request<http::empty_body>& req, std::string_view name,
                 std::string_view token) {
    bool held = false;
    for (auto [field, end] = req.equal_range(http::field::cookie); field != end; ++field) {
        std::string_view rest = field->value();
        while (!rest.empty()) {
            const std::size_t cut = rest.find(';');
            std::string_view pair = rest.substr(0, cut);
            rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
            pair.remove_prefix(std::min(pair.find_first_not_of(' '), pair.size()));
            if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=') {
                held |= sameSecret(pair.substr(name.size() + 1), token);
            }
        }
    }
    return held;
}

// A browser names the destination of each request; a page for a tab is a
// "document". A client that names none (curl, a test) is taken as a tab.
bool toTab(const http::request<http::empty_body>& req) {
    bool named = false;
    for (const auto& field : req) {
        named |= beast::iequals(field.name_string().substr(0, 10), "sec-fetch-");
    }
    return !named || req["Sec-Fetch-Dest"] == "document";
}

// The one range (first and last byte) that `range` names in a body of `size`
// bytes; nullopt for none or one not understood (the whole body is sent),
// and `unsatisfiable` set when it names no byte of the body.
std::optional<std::pair<std::size_t, std::size_t>> rangeOf(std::string_view range, std::size_t size,
                                                           bool& unsatisfiable) {
    unsatisfiable = false;
    if (!range.starts_with("bytes=")) {
        return std::nullopt;
    }
    range.remove_prefix(6);
    const std::size_t dash = range.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto number = [](std::string_view text, std::size_t& value) {
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        return !text.empty() && ec == std::errc() && end == text.data() + text.size();
    };
    std::size_t first = 0, last = size - 1;
    if (dash == 0) {
        std::size_t suffix = 0;
        if (!number(range.substr(1), suffix)) {
            return std::nullopt;
        }
        first = size - std::min(suffix, size);
        unsatisfiable = suffix == 0 || size == 0;
    } else {
        const bool open = dash + 1 == range.size();
        if (!number(range.substr(0, dash), first) ||
            (!open && (!number(range.substr(dash + 1), last) || last < first))) {
            return std::nullopt;
        }
        unsatisfiable = first >= size;
    }
    return std::pair{first, std::min(last, size - 1)};
}

enum class Route { Page, Icon, Events, Scenario, Step, Visibility, Quit };

// What a request's head earned: a route, or a refusal with its reason.
// `handOver`: the page asked for with the launch token, answered with the cookie.
struct Verdict {
    std::optional<Route> route;
    Status status = Status::ok;
    std::string why;
    std::uint64_t page = 0;
    bool handOver = false;
};

Verdict refused(Status status, std::string why) {
    return Verdict{std::nullopt, status, std::move(why), 0, false};
}

Verdict accepted(Route route, std::uint64_t page = 0, bool handOver = false) {
    return Verdict{route, Status::ok, {}, page, handOver};
}

class Connection;

}  // namespace

class LiveServer::Service {
public:
    Service(PageHub& hub, StepInbox& inbox, const LiveRecorder& recorder, const char* page)
        : hub(hub), inbox(inbox), recorder(recorder), page(page) {}
    // The strands named in `streams` go before the io_context that serves them.
    ~Service() {
        stop();
        streams.clear();
    }
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    std::string start(int listener, std::string& error);
    void stop();

    // The verdict on a request's head; `hasBody` when a body follows it.
    Verdict judge(const http::request<http::empty_body>& req, bool hasBody);
    // Connections waiting for a head or a body, oldest first; past
    // kWaitingConnections the oldest is dropped, one that never brought an
    // accepted request (`proven` false) first.
    void waiting(const std::shared_ptr<Connection>& c, bool proven);
    void notWaiting(Connection& c);
    // A waiting connection brought an accepted request.
    void proven(Connection& c);
    void addStream(const std::shared_ptr<Connection>& c);

    PageHub& hub;
    StepInbox& inbox;
    const LiveRecorder& recorder;
    const char* page;
    StepLimits limits;
    const std::string session = randomHex(16);  // the pages of this server know it
    const std::string token = randomHex(kTokenDigits);
    std::string cookie;  // its name, set before the threads start

    // A connection that waits: reached through `raw` while the lock is held
    // (its destructor takes it off the list first, under the lock).
    struct Waiting {
        Connection* raw;
        std::weak_ptr<Connection> owned;
        bool proven;
    };
    std::mutex lock;  // the two lists below and Connection::mWaitingAt
    std::list<Waiting> waitingList;
    // Open event streams and their strands.
    std::vector<std::pair<std::weak_ptr<Connection>, asio::any_io_executor>> streams;

private:
    void accept();
    void ringStreams();

    // Destroyed first: the handlers it still holds end their connections,
    // which take themselves off the lists above.
    asio::io_context mIo;
    tcp::acceptor mAcceptor{mIo};
    asio::steady_timer mRetry{mIo};
    std::vector<std::thread> mThreads;
};

namespace {

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(LiveServer::Service& service, tcp::socket socket)
        : mService(service), mStream(std::move(socket)), mBell(mStream.get_executor()) {}
    ~Connection() {
        mService.notWaiting(*this);
        if (mStreaming) {
            mService.hub.close(mPage);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void start() {
        asio::dispatch(mStream.get_executor(), [self = shared_from_this()] { self->awaitHead(); });
    }
    asio::any_io_executor executor() { return mStream.get_executor(); }
    // On its strand: new events for an event stream.
    void ring() { mBell.cancel(); }
    // Any thread: ends the connection.
    void drop() {
        asio::post(mStream.get_executor(), [self = shared_from_this()] { self->mStream.close(); });
    }

    std::optional<std::list<LiveServer::Service::Waiting>::iterator> mWaitingAt;  // Service::lock

private:
    void awaitHead();
    void readHead();
    void onHead(error_code ec, std::size_t headBytes);
    void readBody();
    void onBody(error_code ec);
    void serve(const std::string& body);
    void refuse(Status status, const std::string& why);
    void send(http::response<http::string_body> res);
    void sendContent(std::string body, const char* type, const PageTicket* page = nullptr);
    void finish();
    void openStream();
    void pump();

    LiveServer::Service& mService;
    beast::tcp_stream mStream;
    beast::flat_buffer mBuffer{kMaxHeadBytes + kMaxBodyBytes};
    std::optional<http::request_parser<http::empty_body>> mHead;
    std::optional<http::request_parser<http::string_body>> mBody;
    std::string mMethod = "request", mTarget, mRange;
    Route mRoute = Route::Page;
    std::uint64_t mPage = 0;
    bool mKeepAlive = false;
    bool mProven = false;  // a request of this connection was accepted
    bool mHandOver = false;
    // An event stream's state.
    asio::steady_timer mBell;
    bool mStreaming = false;
    bool mBeatDue = false;
    std::uint64_t mCursor = 0;
    std::string mOut;
};

void Connection::awaitHead() {
    mMethod = "request";
    mTarget.clear();
    mHead.emplace();
    mHead->header_limit(kMaxHeadBytes);
    mHead->body_limit(kMaxBodyBytes);
    mService.waiting(shared_from_this(), mProven);
    if (mBuffer.size() > 0) {
        return readHead();
    }
    mStream.expires_after(kIdleTime);
    mStream.async_read_some(mBuffer.prepare(4096),
                            [self = shared_from_this()](error_code ec, std::size_t n) {
                                self->mBuffer.commit(n);
                                if (ec) {
                                    return;  // gone, idle too long or dropped
                                }
                                self->readHead();
                            });
}

void Connection::readHead() {
    mStream.expires_after(kHeadTime);
    http::async_read_header(
        mStream, mBuffer, *mHead,
        [self = shared_from_this()](error_code ec, std::size_t n) { self->onHead(ec, n); });
}

// Until its head is judged, and its body has come, a connection keeps its
// place among the waiting ones; a refused one keeps it until it is closed.
void Connection::onHead(error_code ec, std::size_t headBytes) {
    // The parser's own limit lets heads of many short fields pass longer.
    if (ec == http::error::header_limit || (!ec && headBytes > kMaxHeadBytes)) {
        return refuse(Status::request_header_fields_too_large,
                      "a request's head is at most " + std::to_string(kMaxHeadBytes) + " bytes");
    }
    if (ec == http::error::body_limit) {
        return refuse(Status::payload_too_large,
                      "a body is at most " + std::to_string(kMaxBodyBytes) + " bytes");
    }
    if (ec && ec.category() == http::make_error_code(http::error::bad_target).category() &&
        ec != http::error::partial_message && ec != http::error::end_of_stream) {
        return refuse(Status::bad_request, "a malformed request: " + ec.message());
    }
    if (ec) {
        return;  // gone, or too slow: nothing to answer
    }
    const auto& req = mHead->get();
    mMethod = std::string(req.method_string());
    mTarget = std::string(req.target());
    mRange = std::string(req[http::field::range]);
    mKeepAlive = req.keep_alive();
    const bool hasBody = mHead->chunked() || mHead->content_length().value_or(0) > 0;
    const Verdict verdict = mService.judge(req, hasBody);
    if (!verdict.route) {
        return refuse(verdict.status, verdict.why);
    }
    mRoute = *verdict.route;
    mPage = verdict.page;
    mProven = true;
    mHandOver = verdict.handOver;
    if (hasBody) {
        mService.proven(*this);
        return readBody();
    }
    mService.notWaiting(*this);
    if (mRoute == Route::Events) {
        return openStream();
    }
    serve({});
}

void Connection::readBody() {
    const bool proceed = beast::iequals(mHead->get()[http::field::expect], "100-continue");
    mBody.emplace(std::move(*mHead));
    mHead.reset();
    mBody->body_limit(kMaxBodyBytes);
    const auto read = [self = shared_from_this()] {
        self->mStream.expires_after(kBodyTime);
        http::async_read(self->mStream, self->mBuffer, *self->mBody,
                         [self](error_code ec, std::size_t) { self->onBody(ec); });
    };
    if (!proceed) {
        return read();
    }
    // A client that waits for leave to send its body gets it.
    static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
    mStream.expires_after(kWriteTime);
    asio::async_write(mStream, asio::buffer(kContinue.data(), kContinue.size()),
                      [read](error_code ec, std::size_t) {
                          if (!ec) {
                              read();
                          }
                      });
}

void Connection::onBody(error_code ec) {
    mService.notWaiting(*this);
    if (ec == http::error::body_limit) {
        return refuse(Status::payload_too_large,
                      "a body is at most " + std::to_string(kMaxBodyBytes) + " bytes");
    }
    if (ec && mStream.socket().is_open()) {
        return refuse(Status::bad_request, "the body did not come whole: " + ec.message());
    }
    if (!ec) {
        const std::string body = std::move(mBody->get().body());
        mBody.reset();
        serve(body);
    }
}

void Connection::serve(const std::string& body) {
    LiveServer::Service& s = mService;
    switch (mRoute) {
        case Route::Page: {
            const std::optional<PageTicket> ticket = s.hub.issue();
            if (!ticket) {
                return refuse(Status::service_unavailable,
                              "every page's secret is in use: close a page of this session first");
            }
            std::string text = replaced(s.page, "QX_PAGE_TOKEN", ticket->token);
            text = replaced(std::move(text), "QX_PAGE_NUMBER", std::to_string(ticket->number));
            text = replaced(std::move(text), "QX_SESSION", s.session);
            // The picture as it stands, shown before the page's event stream is open.
            return sendContent(
                replaced(std::move(text), "<!--QX_FIRST_PICTURE-->", s.hub.picture()),
                "text/html; charset=utf-8", &*ticket);
        }
        case Route::Icon: {
            // Browsers ask for an icon on their own; there is none.
            http::response<http::string_body> res{Status::no_content, 11};
            return send(std::move(res));
        }
        case Route::Scenario:
            return sendContent(s.recorder.text(), "text/plain; charset=utf-8");
        case Route::Step: {
            std::string error;
            // The number is the step's line in messages; the inbox gives the real one.
            std::optional<Step> step = pageStep(body, 0, error);
            if (!step) {
                return refuse(Status::bad_request, error);
            }
            if (std::optional<std::string> over =
                    s.limits.admit(step->kind, std::chrono::steady_clock::now())) {
                return refuse(Status::too_many_requests, *over);
            }
            http::response<http::string_body> res{Status::accepted, 11};
            res.set(http::field::content_type, "text/plain");
            res.body() = std::to_string(s.inbox.push(std::move(*step)));
            return send(std::move(res));
        }
        case Route::Visibility:
            if (body != "hidden" && body != "visible") {
                return refuse(Status::bad_request, "a page is 'hidden' or 'visible'");
            }
            s.hub.shown(mPage, body == "visible");
            return send(http::response<http::string_body>{Status::no_content, 11});
        case Route::Quit:
            s.inbox.quit();
            return send(http::response<http::string_body>{Status::accepted, 11});
        case Route::Events:
            break;
    }
}

void Connection::sendContent(std::string body, const char* type, const PageTicket* page) {
    bool unsatisfiable = false;
    const auto range = rangeOf(mRange, body.size(), unsatisfiable);
    if (unsatisfiable) {
        return refuse(Status::range_not_satisfiable,
                      "the range is past the end (" + std::to_string(body.size()) + " bytes)");
    }
    http::response<http::string_body> res{range ? Status::partial_content : Status::ok, 11};
    if (range) {
        res.set(http::field::content_range, "bytes " + std::to_string(range->first) + "-" +
                                                std::to_string(range->second) + "/" +
                                                std::to_string(body.size()));
        body = body.substr(range->first, range->second - range->first + 1);
    }
    res.set(http::field::content_type, type);
    res.set(http::field::cache_control, "no-store");
    if (page != nullptr) {
        // The page's secret and number, for a script as for the page.
        res.set(kSecretHeader, page->token);
        res.set("X-Qxsim-Page", std::to_string(page->number));
        if (mHandOver) {
            res.set(http::field::set_cookie,
                    mService.cookie + "=" + mService.token + "; Path=/; HttpOnly; SameSite=Strict");
        }
        res.set("X-Frame-Options", "DENY");
        res.set("Content-Security-Policy", "frame-ancestors 'none'");
        res.set("Referrer-Policy", "no-referrer");
    } else {
        res.set(http::field::content_disposition, "attachment; filename=\"live-session.qxs\"");
    }
    res.body() = std::move(body);
    send(std::move(res));
}

void Connection::refuse(Status status, const std::string& why) {
    const std::string_view path = std::string_view(mTarget).substr(0, mTarget.find('?'));
    std::string shown = mMethod;
    if (!path.empty()) {
        shown += " " + std::string(path.substr(0, kLoggedPathBytes));
        shown += path.size() > kLoggedPathBytes ? "..." : "";
    }
    logRefusal(shown + " refused (" + std::to_string(static_cast<unsigned>(status)) + "): " + why);
    http::response<http::string_body> res{status, 11};
    res.set(http::field::content_type, "text/plain; charset=utf-8");
    res.body() = why + "\n";
    mKeepAlive = false;
    send(std::move(res));
}

void Connection::send(http::response<http::string_body> res) {
    res.set("X-Content-Type-Options", "nosniff");
    res.keep_alive(mKeepAlive);
    res.prepare_payload();
    auto held = std::make_shared<http::response<http::string_body>>(std::move(res));
    mStream.expires_after(kWriteTime);
    http::async_write(mStream, *held,
                      [self = shared_from_this(), held](error_code ec, std::size_t) {
                          if (ec) {
                              return;
                          }
                          if (held->need_eof()) {
                              return self->finish();
                          }
                          self->awaitHead();
                      });
}

// Ends the connection after its last answer, at once. What its client sent
// and was not read is taken first, as far as it has come.
void Connection::finish() {
    error_code ignored;
    tcp::socket& socket = mStream.socket();
    socket.shutdown(tcp::socket::shutdown_send, ignored);
    socket.non_blocking(true, ignored);
    std::array<char, 4096> unread;
    for (std::size_t left = kUnreadBytes; left > 0;) {
        error_code ec;
        const std::size_t n = socket.read_some(asio::buffer(unread), ec);
        if (ec || n == 0) {
            break;
        }
        left -= std::min(left, n);
    }
    socket.close(ignored);
}

void Connection::openStream() {
    std::string first;
    switch (mService.hub.open(mPage, first, mCursor)) {
        case PageHub::Opened::PageHasOne:
            return refuse(Status::conflict,
                          "this page's event stream is open already: a page has one");
        case PageHub::Opened::Full:
            return refuse(Status::service_unavailable,
                          "at most " + std::to_string(PageHub::kStreams) +
                              " event streams at once: a browser's pages share one");
        case PageHub::Opened::Yes:
            break;
    }
    mStreaming = true;
    mService.addStream(shared_from_this());
    // No length: the stream ends with the connection. Never compressed.
    mOut =
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
        "X-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n" +
        first;
    mStream.expires_after(kWriteTime);
    asio::async_write(mStream, asio::buffer(mOut),
                      [self = shared_from_this()](error_code ec, std::size_t) {
                          if (!ec) {
                              self->pump();
                          }
                      });
}

// Writes what the hub has for this stream, or a comment after kIdleBeat of
// nothing, and waits for more. A ring() cancels the wait.
void Connection::pump() {
    mOut.clear();
    if (!mService.hub.next(mCursor, mOut, std::chrono::milliseconds(0))) {
        return;  // the session ends
    }
    if (mOut.empty() && !mBeatDue) {
        mBell.expires_after(kIdleBeat);
        mBell.async_wait([self = shared_from_this()](error_code ec) {
            self->mBeatDue = !ec;
            self->pump();
        });
        return;
    }
    if (mOut.empty()) {
        mOut = ": idle\n\n";
    }
    mBeatDue = false;
    mStream.expires_after(kWriteTime);
    asio::async_write(mStream, asio::buffer(mOut),
                      [self = shared_from_this()](error_code ec, std::size_t) {
                          if (!ec) {
                              self->pump();
                          }
                      });
}

}  // namespace

Verdict LiveServer::Service::judge(const http::request<http::empty_body>& req, bool hasBody) {
    // One Host, one of this server's names; no second Origin, Content-Length
    // or Transfer-Encoding to read otherwise than the parser did.
    if (req.count(http::field::host) != 1 || req.count(http::field::origin) > 1 ||
        req.count(http::field::content_length) > 1 ||
        req[http::field::content_length].find(',') != std::string_view::npos) {
        return refused(Status::bad_request, "one Host, Origin and Content-Length at most");
    }
    const std::string_view te = req[http::field::transfer_encoding];
    if (req.count(http::field::transfer_encoding) > 1 || (!te.empty() && te != "chunked")) {
        return refused(Status::bad_request, "a body is sent whole or chunked, not encoded");
    }
    const std::string_view host = req[http::field::host];
    if (!ownHost(host)) {
        return refused(Status::forbidden,
                       "this server answers to 127.0.0.1, localhost and [::1] only");
    }
    if (req.count(http::field::origin) == 1 &&
        req[http::field::origin] != "http://" + std::string(host)) {
        return refused(Status::forbidden, "requests from another site's pages are refused");
    }
    // A prefetch or prerender of a page (speculation rules, a link's hint)
    // is no one's tab.
    if (req.count("Sec-Purpose") != 0 || req.count("Purpose") != 0) {
        return refused(Status::forbidden, "a page is not prefetched: it is opened");
    }
    const std::string_view target = req.target();
    const std::string_view path = target.substr(0, target.find('?'));
    // The session is its starter's: it holds the launch token, in the URL qxsim
    // printed (a navigation to the page, answered with the cookie) or in the
    // cookie, which another site's page cannot have its browser send.
    const bool handOver = path == "/" && req.method() == http::verb::get &&
                          sameSecret(queryValue(target, "token"), token);
    if (!handOver && !holdsCookie(req, cookie, token)) {
        return refused(Status::forbidden,
                       "this session is open only to the URL qxsim printed, with its token");
    }
    const std::string_view site = req["Sec-Fetch-Site"];
    if (!handOver && !site.empty() && site != "same-origin" && site != "none") {
        return refused(Status::forbidden, "requests from another site's pages are refused");
    }
    if (req[http::field::range].find(',') != std::string_view::npos) {
        return refused(Status::range_not_satisfiable, "one range at most");
    }
    static const std::pair<std::string_view, Route> kRoutes[] = {
        {"/", Route::Page},         {"/favicon.ico", Route::Icon},
        {"/events", Route::Events}, {"/scenario", Route::Scenario},
        {"/step", Route::Step},     {"/visibility", Route::Visibility},
        {"/quit", Route::Quit}};
    const auto* found = std::find_if(std::begin(kRoutes), std::end(kRoutes),
                                     [&](const auto& r) { return r.first == path; });
    if (found == std::end(kRoutes)) {
        return refused(Status::not_found, "no such page");
    }
    const Route route = found->second;
    const bool post = route == Route::Step || route == Route::Visibility || route == Route::Quit;
    if (req.method() != (post ? http::verb::post : http::verb::get)) {
        return refused(Status::method_not_allowed,
                       std::string(path) + " takes " + (post ? "POST" : "GET") + " only");
    }
    if (!post && hasBody) {
        return refused(Status::bad_request, "a GET has no body");
    }
    if (route == Route::Icon) {
        return accepted(route);
    }
    if (route == Route::Page) {
        if (!toTab(req)) {
            return refused(Status::forbidden, "the page goes to a browser's tab only");
        }
        return accepted(route, 0, handOver);
    }
    if (!post) {
        const std::uint64_t page = hub.pageOf(queryValue(target, "secret"));
        if (page == 0) {
            return refused(Status::forbidden,
                           "name the page's secret: " + std::string(path) + "?secret=...");
        }
        return accepted(route, page);
    }
    const std::string_view type = req[http::field::content_type];
    if (type.substr(0, type.find(';')) != kPostType) {
        return refused(Status::unsupported_media_type,
                       "a page's request is of the type " + std::string(kPostType));
    }
    const std::uint64_t page = hub.pageOf(req[kSecretHeader]);
    if (page == 0) {
        return refused(Status::forbidden,
                       std::string("no page's secret in the header ") + kSecretHeader);
    }
    if (route != Route::Visibility && !hub.steers(page)) {
        return refused(Status::forbidden, route == Route::Quit
                                              ? "only the page that steers the session can end it"
                                              : "this page watches the session: another page "
                                                "steers it");
    }
    return accepted(route, page);
}

void LiveServer::Service::waiting(const std::shared_ptr<Connection>& c, bool proven) {
    std::shared_ptr<Connection> oldest;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (c->mWaitingAt) {
            return;
        }
        if (waitingList.size() >= kWaitingConnections) {
            auto gone = std::find_if(waitingList.begin(), waitingList.end(),
                                     [](const Waiting& w) { return !w.proven; });
            gone = gone == waitingList.end() ? waitingList.begin() : gone;
            gone->raw->mWaitingAt.reset();
            oldest = gone->owned.lock();
            waitingList.erase(gone);
        }
        c->mWaitingAt = waitingList.insert(waitingList.end(), Waiting{c.get(), c, proven});
    }
    if (oldest) {
        oldest->drop();
    }
}

void LiveServer::Service::notWaiting(Connection& c) {
    std::lock_guard<std::mutex> guard(lock);
    if (c.mWaitingAt) {
        waitingList.erase(*c.mWaitingAt);
        c.mWaitingAt.reset();
    }
}

void LiveServer::Service::proven(Connection& c) {
    std::lock_guard<std::mutex> guard(lock);
    if (c.mWaitingAt) {
        (*c.mWaitingAt)->proven = true;
    }
}

void LiveServer::Service::addStream(const std::shared_ptr<Connection>& c) {
    std::lock_guard<std::mutex> guard(lock);
    std::erase_if(streams, [](const auto& s) { return s.first.expired(); });
    streams.emplace_back(c, c->executor());
}

// Called by the hub under its lock: no connection is held here, so none can
// end here (its end closes its page in the hub).
void LiveServer::Service::ringStreams() {
    std::lock_guard<std::mutex> guard(lock);
    for (const auto& stream : streams) {
        asio::post(stream.second, [weak = stream.first] {
            if (std::shared_ptr<Connection> c = weak.lock()) {
                c->ring();
            }
        });
    }
}

std::string LiveServer::Service::start(int listener, std::string& error) {
    error_code ec;
    if (mAcceptor.assign(tcp::v4(), listener, ec); ec) {
        ::close(listener);
    }
    const tcp::endpoint local = ec ? tcp::endpoint() : mAcceptor.local_endpoint(ec);
    if (ec) {
        error = "cannot listen: " + ec.message();
        return {};
    }
    cookie = "qxsim-" + std::to_string(local.port());
    hub.setBell([this] { ringStreams(); });
    accept();
    for (int i = 0; i < kThreads; ++i) {
        mThreads.emplace_back([this] {
            for (;;) {
                try {
                    mIo.run();
                    return;
                } catch (const std::exception& e) {
                    liveLog(std::string("a request failed: ") + e.what());
                }
            }
        });
    }
    return "http://127.0.0.1:" + std::to_string(local.port()) + "/?token=" + token;
}

void LiveServer::Service::accept() {
    mAcceptor.async_accept(asio::make_strand(mIo), [this](error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) {
            return;
        }
        if (ec) {
            // Out of descriptors, say: try again in a moment.
            mRetry.expires_after(std::chrono::milliseconds(100));
            mRetry.async_wait([this](error_code wait) {
                if (!wait) {
                    accept();
                }
            });
            return;
        }
        socket.set_option(tcp::no_delay(true), ec);
        std::make_shared<Connection>(*this, std::move(socket))->start();
        accept();
    });
}

void LiveServer::Service::stop() {
    hub.setBell({});
    hub.shut();
    mIo.stop();
    for (std::thread& thread : mThreads) {
        thread.join();
    }
    mThreads.clear();
}

void liveLog(std::string_view text) {
    std::lock_guard<std::mutex> guard(logLock());
    writeLogLine(text);
}

LiveRefusals liveRefusals() {
    std::lock_guard<std::mutex> guard(logLock());
    return refusalLines().told;
}

std::optional<Step> pageStep(std::string_view body, std::uint64_t number, std::string& error) {
    if (body.size() >= 2 && body.substr(body.size() - 2) == "\r\n") {
        body.remove_suffix(2);
    } else if (!body.empty() && body.back() == '\n') {
        body.remove_suffix(1);
    }
    if (body.size() > kMaxStepBytes) {
        error = "a step is one line of at most " + std::to_string(kMaxStepBytes) + " bytes";
        return std::nullopt;
    }
    if (body.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos) {
        error = "a step is one line";
        return std::nullopt;
    }
    std::optional<ScenarioError> parseError;
    std::optional<Step> step = parseLine(body, "page", static_cast<int>(number), parseError);
    if (parseError) {
        error = parseError->message;
        return std::nullopt;
    }
    if (!step) {
        error = "an empty step";
        return std::nullopt;
    }
    if (step->kind == StepKind::Wait) {
        error = "'wait' has no use in a live session: time passes by itself";
        return std::nullopt;
    }
    return step;
}

int listenOnLoopback(int port, std::string& error) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // No SO_REUSEPORT: a second server on the port fails to bind.
    const int yes = 1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd < 0 || port < 0 || port > 65535 ||
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes)) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    return fd;
}

LiveServer::LiveServer(PageHub& hub, StepInbox& inbox, const LiveRecorder& recorder,
                       const char* page)
    : mService(std::make_unique<Service>(hub, inbox, recorder, page)) {}

LiveServer::~LiveServer() {
    stop();
}

std::string LiveServer::start(int listener, std::string& error) {
    return mService->start(listener, error);
}

void LiveServer::stop() {
    mService->stop();
}

}  // namespace qxsim
