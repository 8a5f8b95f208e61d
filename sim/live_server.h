// The HTTP side of a live session: serves the page, streams events to it,
// takes steps from the page that steers the session and hands them to the
// host's main thread. Listens on 127.0.0.1 only, on threads of its own.
//
//   GET  /?token=T            the page, and the cookie that holds the token T
//   GET  /                    the page, with a secret of its own in it
//   GET  /events?secret=S     Server-Sent Events: frame, transcript, log, state,
//                             pages, failed
//   GET  /scenario?secret=S   the session so far as a scenario file
//   POST /step                one scenario line; 202 with the step's number
//   POST /visibility          "hidden" or "visible": the page's browser says so
//   POST /quit                ends the session
//
// The session is its starter's alone. start() makes a random launch token,
// which qxsim prints in the URL and writes to a file only its user reads; a
// navigation to the page with it gets the cookie qxsim-PORT holding it. A
// request with neither, with a Sec-Purpose (a prefetch), or with the cookie
// from another site's page (Sec-Fetch-Site) is refused on its head, so no
// page, secret or stream goes to anyone else. Only requests for this
// server's own address (Host: 127.0.0.1, localhost or [::1], with any port,
// so that a forwarded port works) from its own pages (Origin, when the
// browser sends one) are served. A secret goes only to a browser's tab (or a
// client that names no Sec-Fetch-* header), with the page. A POST carries its
// page's secret in the header X-Qxsim-Secret and the type
// application/x-qxsim, neither of which a form or another site's page can
// send without asking first (and the server answers no such question).
// Only the first page with an open event stream steers (403 for the others);
// steps are limited in rate (429). A request is judged on its head, before
// any byte of its body is read; a refused request gets one 4xx answer and the
// end of its connection, and a line on standard error (a few at once, then
// one a second). Nothing ends the session but /quit or the signal that stops
// qxsim.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "live_hub.h"
#include "live_recorder.h"

namespace qxsim {

class LiveServer {
public:
    LiveServer(PageHub& hub, StepInbox& inbox, const LiveRecorder& recorder, const char* page);
    ~LiveServer();
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    // Serves on `listener` (from listenOnLoopback(), owned from now on).
    // Returns the URL with the launch token, or an empty text with `error` set.
    std::string start(int listener, std::string& error);
    // Ends every event stream and stops serving; also done by the destructor.
    void stop();

    class Service;

private:
    std::unique_ptr<Service> mService;
};

// A socket listening on 127.0.0.1:`port` (0: any free port), not inherited
// by child processes, or -1 with `error` set. Taken before anything else, so
// that a second qxsim on a busy port ends having touched nothing.
int listenOnLoopback(int port, std::string& error);

// Logs a line about the live session on standard error (any thread), its
// control characters and bytes that are no UTF-8 written as \xNN.
void liveLog(std::string_view text);

// Requests refused so far, and how many of them standard error was not told of.
struct LiveRefusals {
    std::uint64_t count = 0;
    std::uint64_t unlogged = 0;
};
LiveRefusals liveRefusals();

// Checks one step sent by a page: a single scenario line that the session
// can play (a wait makes no sense there: time passes by itself). Returns the
// step or sets `error`. Pure.
std::optional<Step> pageStep(std::string_view body, std::uint64_t number, std::string& error);

}  // namespace qxsim
