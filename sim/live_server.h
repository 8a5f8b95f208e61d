// The HTTP side of a live session: serves the page, streams events to it,
// takes steps from the page that steers the session and hands them to the
// host's main thread. Listens on 127.0.0.1 only, on threads of its own.
//
//   GET  /                   the page, with a secret of its own in it
//   GET  /events?token=T     Server-Sent Events: frame, transcript, log, state, pages
//   GET  /scenario?token=T   the session so far as a scenario file
//   POST /step               one scenario line; 202 with the step's number
//   POST /visibility         "hidden" or "visible": the page's browser says so
//   POST /quit               ends the session
//
// Only requests for this server's own address (Host) from its own pages
// (Origin, when the browser sends one) are served. A POST carries its page's
// secret in the header X-Qxsim-Token and the type application/x-qxsim,
// neither of which a form or another site's page can send without asking
// first (and the server answers no such question). Only the first page with
// an open event stream steers (403 for the others); steps are limited in rate
// (429). A refused request gets a 4xx answer and a line on standard error;
// nothing ends the session but /quit or the signal that stops qxsim.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "live_hub.h"
#include "live_recorder.h"

namespace qxsim {

class GatedServer;

class LiveServer {
public:
    LiveServer(PageHub& hub, StepInbox& inbox, const LiveRecorder& recorder, const char* page);
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
    const LiveRecorder& mRecorder;
    const char* mPage;
    StepLimits mLimits;
    const std::string mSession = randomHex(16);  // the pages of this server know it
    int mPort = 0;
    std::unique_ptr<GatedServer> mServer;
    std::thread mThread;
};

// Logs a line about the live session on standard error (any thread).
void liveLog(const std::string& text);

// Checks one step sent by a page: a single scenario line that the session
// can play (a wait makes no sense there: time passes by itself). Returns the
// step or sets `error`. Pure.
std::optional<Step> pageStep(std::string_view body, std::uint64_t number, std::string& error);

}  // namespace qxsim
