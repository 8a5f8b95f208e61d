// The HTTP side of a live session: serves the page, streams events to it,
// takes steps from the page that steers the session and hands them to the
// host's main thread. Listens on 127.0.0.1 only, on threads of its own.
//
//   GET  /                  the page
//   GET  /events?page=ID    Server-Sent Events: frame, transcript, log, state, pages
//   POST /step?page=ID      one scenario line; 202 with the step's number
//   POST /quit?page=ID      ends the session
//   GET  /scenario          the session so far as a scenario file, calibrated
//
// Only the first open page steers (403 for the others). A malformed request
// gets a 4xx answer and a line on standard error; nothing ends the session
// but /quit or the signal that stops qxsim.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "live_hub.h"

namespace httplib {
class Server;
}

namespace qxsim {

class LiveServer {
public:
    // `replay` calibrates the scenario a page downloads (see calibrate()).
    LiveServer(PageHub& hub, StepInbox& inbox, const char* page, PassReplayer replay);
    ~LiveServer();
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    // Binds 127.0.0.1:`port` (0: any free port) and starts serving. Returns
    // the URL, or an empty text with `error` set.
    std::string start(int port, std::string& error);
    // Ends every event stream and stops serving; also done by the destructor.
    void stop();

private:
    void route();

    PageHub& mHub;
    StepInbox& mInbox;
    const char* mPage;
    PassReplayer mReplay;
    std::unique_ptr<httplib::Server> mServer;
    std::thread mThread;
};

// Logs a line about the live session on standard error (any thread).
void liveLog(const std::string& text);

// Checks one step sent by a page: a single scenario line that the session
// can play (a wait makes no sense there: time passes by itself). Returns the
// step or sets `error`. Pure.
std::optional<Step> pageStep(std::string_view body, std::uint64_t number, std::string& error);

}  // namespace qxsim
