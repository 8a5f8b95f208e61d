// Live session on Windows: a reader thread takes standard input and wakes
// the host's message loop, which delivers the module's timers in between.

#include <windows.h>

#include <cstdio>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "exit_codes.h"
#include "line_splitter.h"
#include "live_input.h"
#include "scenario.h"
#include "win32_control.h"

namespace qxsim {
namespace {

constexpr UINT kInputArrived = WM_APP + 1;

// Text read so far and whether standard input has ended; the reader thread
// appends, the host thread takes.
struct Inbox {
    std::mutex lock;
    std::string text;
    bool ended = false;
};

void readInput(Inbox& inbox, DWORD hostThread) {
    char buffer[4096];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, stdin);
        {
            std::lock_guard<std::mutex> guard(inbox.lock);
            inbox.text.append(buffer, got);
            if (got == 0) {
                inbox.ended = true;
            }
        }
        PostThreadMessageW(hostThread, kInputArrived, 0, 0);
        if (got == 0) {
            return;
        }
    }
}

}  // namespace

int playLive(Player& player, const std::string& name, std::string& error) {
    // The steps typed before the first wait, command, load or unload set the
    // world up, as a scenario file's do: the module loads at that step.
    // The thread's message queue exists before the reader posts to it.
    MSG peek;
    PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE);
    Inbox inbox;
    std::thread reader(readInput, std::ref(inbox), GetCurrentThreadId());

    LineSplitter lines;
    int lineNo = 0;
    bool open = true;
    int result = kExitOk;
    while (open) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
        win32sim::dispatchDueTimers();
        {
            std::lock_guard<std::mutex> guard(inbox.lock);
            lines.append(inbox.text);
            inbox.text.clear();
            if (inbox.ended) {
                open = false;
                lines.close();
            }
        }
        for (std::string line; lines.next(line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            std::string stepError;
            const int code = player.playTypedLine(line, name, ++lineNo, stepError);
            if (code == kExitModule) {
                error = stepError;
                open = false;
                result = code;
                break;
            }
            if (!stepError.empty()) {
                std::cerr << "qxsim: " << stepError << "\n";
            }
        }
    }
    // Only world-building steps typed: the module loads at the end, as it
    // does after such a scenario file.
    if (result == kExitOk) {
        result = player.start(error);
    }
    player.finish();
    // The reader ends with standard input; a session ended by a failed step
    // leaves it blocked in its read, so it is let go with the process.
    if (result == kExitOk) {
        reader.join();
    } else {
        reader.detach();
    }
    return result;
}

}  // namespace qxsim
