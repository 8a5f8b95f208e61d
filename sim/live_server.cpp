// The live session's HTTP server (cpp-httplib).

#include "live_server.h"

#include "live_gate.h"

#include <cstdio>
#include <mutex>

namespace qxsim {
namespace {

// The longest step line a page may send, and a whole request body.
constexpr std::size_t kMaxStepBytes = 1000;
constexpr std::size_t kMaxBodyBytes = 64 * 1024;
// An event stream with nothing to say writes a comment this often, so a
// closed page is noticed and its place given up.
constexpr std::chrono::milliseconds kIdleBeat{500};
// The type and header of a page's POSTs.
constexpr const char* kPostType = "application/x-qxsim";
constexpr const char* kTokenHeader = "X-Qxsim-Token";

// Whether this thread's request was refused with a line of its own already.
thread_local bool tRefusalLogged = false;

std::mutex& logLock() {
    static std::mutex lock;
    return lock;
}

// Logs the reason as written, before the answer is compressed.
void refuse(const httplib::Request& req, httplib::Response& res, int status,
            const std::string& why) {
    res.status = status;
    res.set_content(why + "\n", "text/plain; charset=utf-8");
    liveLog(req.method + " " + req.path + " refused (" + std::to_string(status) + "): " + why);
    tRefusalLogged = true;
}

std::string replaced(std::string text, std::string_view marker, const std::string& value) {
    for (std::size_t at = 0; (at = text.find(marker, at)) != std::string::npos;
         at += value.size()) {
        text.replace(at, marker.size(), value);
    }
    return text;
}

// A POST's body as it streams in; none after a refusal (413 past the limit).
std::optional<std::string> bodyOf(const httplib::Request& req, httplib::Response& res,
                                  const httplib::ContentReader& reader) {
    std::string body;
    bool over = false;
    const bool whole = reader([&](const char* data, std::size_t size) {
        over = body.size() + size > kMaxBodyBytes;
        body.append(data, over ? 0 : size);
        return !over;
    });
    if (whole && !over) {
        return body;
    }
    GatedServer::closeAfterAnswer();
    if (over || GatedServer::bodyCut()) {
        refuse(req, res, 413, "a body is at most " + std::to_string(kMaxBodyBytes) + " bytes");
    } else {
        refuse(req, res, 400, "the body did not come whole");
    }
    return std::nullopt;
}

}  // namespace

void liveLog(const std::string& text) {
    std::lock_guard<std::mutex> guard(logLock());
    std::fprintf(stderr, "qxsim: live: %s\n", text.c_str());
    std::fflush(stderr);
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

LiveServer::LiveServer(PageHub& hub, StepInbox& inbox, const LiveRecorder& recorder,
                       const char* page)
    : mHub(hub),
      mInbox(inbox),
      mRecorder(recorder),
      mPage(page),
      mServer(std::make_unique<GatedServer>(
          GateLimits{.workers = PageHub::kStreams + 6, .bodyBytes = kMaxBodyBytes})) {
    mServer->set_payload_max_length(kMaxBodyBytes);
    // A page's steps reuse one connection (the gate's deadlines bound it).
    mServer->set_keep_alive_timeout(5);
    mServer->set_keep_alive_max_count(100000);
    mServer->set_logger([](const httplib::Request& req, const httplib::Response& res) {
        // httplib's own refusals (no such path, a malformed request).
        if (res.status >= 400 && !tRefusalLogged) {
            liveLog(req.method + " " + req.path + " refused (" + std::to_string(res.status) + ")");
        }
        tRefusalLogged = false;
    });
    route();
}

LiveServer::~LiveServer() {
    stop();
}

void LiveServer::route() {
    using Handled = httplib::Server::HandlerResponse;
    mServer->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        tRefusalLogged = false;
        const std::string host = req.get_header_value("Host");
        const std::string port = ":" + std::to_string(mPort);
        if (host != "127.0.0.1" + port && host != "localhost" + port) {
            refuse(req, res, 403, "this server answers to 127.0.0.1" + port + " only");
            return Handled::Handled;
        }
        if (req.has_header("Origin") && req.get_header_value("Origin") != "http://" + host) {
            refuse(req, res, 403, "requests from another site's pages are refused");
            return Handled::Handled;
        }
        if (req.get_header_value("Range").find(',') != std::string::npos) {
            refuse(req, res, 416, "one range at most");
            return Handled::Handled;
        }
        return Handled::Unhandled;
    });
    mServer->Get("/", [this](const httplib::Request&, httplib::Response& res) {
        const PageTicket ticket = mHub.issue();
        std::string page = replaced(mPage, "QX_PAGE_TOKEN", ticket.token);
        page = replaced(std::move(page), "QX_PAGE_NUMBER", std::to_string(ticket.number));
        page = replaced(std::move(page), "QX_SESSION", mSession);
        // The picture as it stands, shown before the page's event stream is open.
        page = replaced(std::move(page), "<!--QX_FIRST_PICTURE-->", mHub.picture());
        res.set_header("X-Frame-Options", "DENY");
        res.set_header("Content-Security-Policy", "frame-ancestors 'none'");
        res.set_header("Cache-Control", "no-store");
        res.set_header("Referrer-Policy", "no-referrer");
        res.set_content(page, "text/html; charset=utf-8");
    });
    // Browsers ask for an icon on their own; there is none, and that is no
    // malformed request worth a log line.
    mServer->Get("/favicon.ico",
                 [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
    mServer->Get("/scenario", [this](const httplib::Request& req, httplib::Response& res) {
        if (mHub.pageOf(req.get_param_value("token")) == 0) {
            return refuse(req, res, 403, "name the page's secret: /scenario?token=...");
        }
        res.set_header("Content-Disposition", "attachment; filename=\"live-session.qxs\"");
        res.set_header("Cache-Control", "no-store");
        res.set_content(mRecorder.text(), "text/plain; charset=utf-8");
    });
    mServer->Get("/events", [this](const httplib::Request& req, httplib::Response& res) {
        const std::uint64_t page = mHub.pageOf(req.get_param_value("token"));
        if (page == 0) {
            return refuse(req, res, 403, "name the page's secret: /events?token=...");
        }
        auto cursor = std::make_shared<std::uint64_t>(0);
        auto first = std::make_shared<std::string>();
        if (!mHub.open(page, *first, *cursor)) {
            return refuse(req, res, 503,
                          "at most " + std::to_string(PageHub::kStreams) +
                              " event streams at once: a browser's pages share one");
        }
        res.set_header("Cache-Control", "no-store");
        res.set_chunked_content_provider(
            "text/event-stream",
            [this, cursor, first](std::size_t, httplib::DataSink& sink) {
                std::string out = std::move(*first);
                first->clear();
                if (out.empty() && !mHub.next(*cursor, out, kIdleBeat)) {
                    return false;
                }
                if (out.empty()) {
                    out = ": idle\n\n";
                }
                return sink.write(out.data(), out.size());
            },
            [this, page](bool) { mHub.close(page); });
    });
    // A POST from one of this server's pages: `handle` gets the page's number
    // and the body, once both passed their checks.
    using PostHandler = std::function<void(const httplib::Request&, httplib::Response&,
                                           std::uint64_t, const std::string&)>;
    const auto post = [this](const char* path, PostHandler handle) {
        mServer->Post(path, [this, handle](const httplib::Request& req, httplib::Response& res,
                                           const httplib::ContentReader& reader) {
            const std::optional<std::string> body = bodyOf(req, res, reader);
            const std::string type = req.get_header_value("Content-Type");
            if (!body) {
                return;
            }
            if (type.substr(0, type.find(';')) != kPostType) {
                return refuse(req, res, 415,
                              std::string("a page's request is of the type ") + kPostType);
            }
            const std::uint64_t page = mHub.pageOf(req.get_header_value(kTokenHeader));
            if (page == 0) {
                return refuse(req, res, 403,
                              std::string("no page's secret in the header ") + kTokenHeader);
            }
            handle(req, res, page, *body);
        });
    };
    post("/step", [this](const httplib::Request& req, httplib::Response& res, std::uint64_t page,
                         const std::string& body) {
        if (!mHub.steers(page)) {
            return refuse(req, res, 403, "this page watches the session: another page steers it");
        }
        std::string error;
        // The number is the step's line in messages; the inbox gives the real one.
        std::optional<Step> step = pageStep(body, 0, error);
        if (!step) {
            return refuse(req, res, 400, error);
        }
        if (std::optional<std::string> over =
                mLimits.admit(step->kind, std::chrono::steady_clock::now())) {
            return refuse(req, res, 429, *over);
        }
        res.status = 202;
        res.set_content(std::to_string(mInbox.push(std::move(*step))), "text/plain");
    });
    post("/visibility", [this](const httplib::Request& req, httplib::Response& res,
                               std::uint64_t page, const std::string& body) {
        if (body != "hidden" && body != "visible") {
            return refuse(req, res, 400, "a page is 'hidden' or 'visible'");
        }
        mHub.shown(page, body == "visible");
        res.status = 204;
    });
    post("/quit", [this](const httplib::Request& req, httplib::Response& res, std::uint64_t page,
                         const std::string&) {
        if (!mHub.steers(page)) {
            return refuse(req, res, 403, "only the page that steers the session can end it");
        }
        mInbox.quit();
        res.status = 202;
    });
}

std::string LiveServer::start(int port, std::string& error) {
    const char* host = "127.0.0.1";
    const int bound = port == 0 ? mServer->bind_to_any_port(host)
                                : (mServer->bind_to_port(host, port) ? port : -1);
    if (bound <= 0) {
        error = "cannot listen on " + std::string(host) + ":" + std::to_string(port);
        return {};
    }
    mPort = bound;
    mThread = std::thread([this] { mServer->listen_after_bind(); });
    return "http://" + std::string(host) + ":" + std::to_string(bound) + "/";
}

void LiveServer::stop() {
    mHub.shut();
    if (mThread.joinable()) {
        mServer->stop();
        mThread.join();
    }
    mServer->shutdown();
}

}  // namespace qxsim
