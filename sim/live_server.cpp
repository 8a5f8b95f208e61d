// The live session's HTTP server (cpp-httplib).

#include "live_server.h"

#include <httplib.h>

#include <cstdio>
#include <mutex>

namespace qxsim {
namespace {

// The longest step line a page may send, and a whole request body.
constexpr std::size_t kMaxStepBytes = 1000;
constexpr std::size_t kMaxBodyBytes = 64 * 1024;
// Threads that serve requests: each open event stream holds one.
constexpr std::size_t kServerThreads = 16;
// An event stream with nothing to say writes a comment this often, so a
// closed page is noticed and its place given up.
constexpr std::chrono::milliseconds kIdleBeat{1000};

std::mutex& logLock() {
    static std::mutex lock;
    return lock;
}

// The page a request names, or none when it names no valid one.
std::optional<std::string> pageOf(const httplib::Request& req) {
    std::string page = req.get_param_value("page");
    if (!isPageName(page)) {
        return std::nullopt;
    }
    return page;
}

void refuse(httplib::Response& res, int status, const std::string& why) {
    res.status = status;
    res.set_content(why + "\n", "text/plain; charset=utf-8");
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

LiveServer::LiveServer(PageHub& hub, StepInbox& inbox, const char* page, PassReplayer replay)
    : mHub(hub),
      mInbox(inbox),
      mPage(page),
      mReplay(std::move(replay)),
      mServer(std::make_unique<httplib::Server>()) {
    mServer->new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    mServer->set_payload_max_length(kMaxBodyBytes);
    // Events are small writes that must go out at once, not wait for an ACK.
    mServer->set_tcp_nodelay(true);
    mServer->set_logger([](const httplib::Request& req, const httplib::Response& res) {
        if (res.status >= 400) {
            std::string why = res.body;
            if (!why.empty() && why.back() == '\n') {
                why.pop_back();
            }
            liveLog(req.method + " " + req.path + " refused (" + std::to_string(res.status) + ")" +
                    (why.empty() ? std::string() : ": " + why));
        }
    });
    route();
}

LiveServer::~LiveServer() {
    stop();
}

void LiveServer::route() {
    mServer->Get("/", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(mPage, "text/html; charset=utf-8");
    });
    // Browsers ask for an icon on their own; there is none, and that is no
    // malformed request worth a log line.
    mServer->Get("/favicon.ico",
                 [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
    mServer->Get("/scenario", [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Disposition", "attachment; filename=\"live-session.qxs\"");
        LivePlan plan = mHub.plan();
        if (!calibrate(plan, mReplay)) {
            liveLog("the scenario could not be calibrated by a replay: its timing is the live one");
        }
        res.set_content(plan.text(), "text/plain; charset=utf-8");
    });
    mServer->Get("/events", [this](const httplib::Request& req, httplib::Response& res) {
        const std::optional<std::string> page = pageOf(req);
        if (!page) {
            return refuse(res, 400, "name the page: /events?page=ID (letters, digits, '-')");
        }
        auto cursor = std::make_shared<std::uint64_t>(0);
        auto first = std::make_shared<std::string>(mHub.open(*page, *cursor));
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
            [this, page = *page](bool) { mHub.close(page); });
    });
    mServer->Post("/step", [this](const httplib::Request& req, httplib::Response& res) {
        const std::optional<std::string> page = pageOf(req);
        if (!page) {
            return refuse(res, 400, "name the page: /step?page=ID");
        }
        if (!mHub.steers(*page)) {
            return refuse(res, 403, "this page watches the session: another page steers it");
        }
        std::string error;
        // The number is the step's line in messages; the inbox gives the real one.
        std::optional<Step> step = pageStep(req.body, 0, error);
        if (!step) {
            return refuse(res, 400, error);
        }
        res.status = 202;
        res.set_content(std::to_string(mInbox.push(std::move(*step))), "text/plain");
    });
    mServer->Post("/quit", [this](const httplib::Request& req, httplib::Response& res) {
        const std::optional<std::string> page = pageOf(req);
        if (!page || !mHub.steers(*page)) {
            return refuse(res, 403, "only the page that steers the session can end it");
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
    mThread = std::thread([this] { mServer->listen_after_bind(); });
    return "http://" + std::string(host) + ":" + std::to_string(bound) + "/";
}

void LiveServer::stop() {
    mHub.shut();
    if (mThread.joinable()) {
        mServer->stop();
        mThread.join();
    }
}

}  // namespace qxsim
