// The profile folder the module sees as USERPROFILE, and where the session's
// transcript goes. Main thread, before the module loads.
#pragma once

#include <optional>
#include <string>

#include "options.h"

namespace qxsim {

inline constexpr const char* kDefaultProfileDir = "qxsim-profile";
inline constexpr const char* kDefaultTranscriptName = "qxsim-transcript.jsonl";

struct SessionPaths {
    std::string profileDir;      // absolute
    std::string transcriptPath;  // absolute
};

// A folder given with --profile is used as it is: nothing is created in it.
// The default ./qxsim-profile gets QuorvexDevice/Applications and a sample
// autocad.mnu when they are missing. The transcript goes to --transcript, or
// beside the profile folder. Returns an error text on failure.
std::optional<std::string> prepareSessionPaths(const Options& options, SessionPaths& paths);

// The sample menu file written into a new default profile.
const std::string& sampleMenuText();

}  // namespace qxsim
