// Live session: poll standard input, deliver due timers in between.

#include "live_input.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "exit_codes.h"
#include "line_splitter.h"
#include "stop_signal.h"
#include "win32_control.h"

namespace qxsim {
namespace {

// Longest time the loop sleeps without looking at the timers again.
constexpr int kMaxPollMs = 1000;

int pollTimeoutMs() {
    std::optional<std::uint64_t> due = win32sim::nextTimerDueMs();
    if (!due) {
        return kMaxPollMs;
    }
    const std::uint64_t now = win32sim::nowMs();
    return *due <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(*due - now, kMaxPollMs));
}

}  // namespace

int playLive(Player& player, const std::string& name, std::string& error) {
    // The steps typed before the first wait, command, load or unload set the
    // world up, as a scenario file's do: the module loads at that step, into
    // the view fitted to the drawing.
    LineSplitter lines;
    int lineNo = 0;
    bool open = true;
    while (open && stopSignal() == 0) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        int ready = poll(&input, 1, pollTimeoutMs());
        if (ready > 0) {
            char buffer[4096];
            ssize_t got = read(STDIN_FILENO, buffer, sizeof(buffer));
            if (got <= 0) {
                open = false;
                lines.close();
            } else {
                lines.append(std::string_view(buffer, static_cast<std::size_t>(got)));
            }
        }
        for (std::string line; lines.next(line);) {
            std::string stepError;
            const int code = player.playTypedLine(line, name, ++lineNo, stepError);
            if (code == kExitModule) {
                error = stepError;
                player.finish();
                return code;
            }
            if (!stepError.empty()) {
                std::cerr << "qxsim: " << stepError << "\n";
            }
        }
        win32sim::dispatchDueTimers();
    }
    // Only world-building steps typed: the module loads at the end, as it
    // does after such a scenario file.
    if (int code = player.start(error)) {
        return code;
    }
    player.finish();
    if (stopSignal() != 0) {
        error = stoppedMessage(win32sim::nowMs());
        return stoppedExitCode();
    }
    return kExitOk;
}

}  // namespace qxsim
