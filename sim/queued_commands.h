// The host's command line as far as a session needs it: the commands the
// module queues with sendStringToExecute are run once the host is idle again
// (after the step or wait that queued them). Standard views and zoom all
// change the view as the host would; other texts (menu macros that would ask
// the user for input) are only recorded. Host's main thread only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qxsim {

// What a queued command text does in the simulated host.
enum class HostCommand { None, View, ZoomAll };

struct ParsedHostCommand {
    HostCommand command = HostCommand::None;
    std::string view;  // top, bottom, front, back, left, right for View
};

// Reads one queued text, e.g. "'_-VIEW _TOP " or "_ZOOM _ALL ". Pure.
ParsedHostCommand parseHostCommand(const std::string& text);

// Fits the whole drawing into the model view of viewport `vp`, looking the
// same way, as zoom all does; nothing without entities.
void fitModelView(int vp);

class HostCommandLine {
public:
    // Runs the texts queued since the last call; returns a line for each:
    // "host ran: '_-VIEW _TOP" for one that changed the view, "host got:
    // <Esc><Esc>_circle<Enter> (recorded, not run)" for the others (but the
    // navigation bar's).
    std::vector<std::string> runQueued();
    // Forgets the queue (after the host's output was reset).
    void reset() { mSeen = 0; }

private:
    std::size_t mSeen = 0;
};

}  // namespace qxsim
