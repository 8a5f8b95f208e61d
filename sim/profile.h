// The profile folder the module sees as USERPROFILE, and where the session's
// transcript goes. Main thread, before the module loads.
#pragma once

#include <optional>
#include <string>

#include "folder_lock.h"
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
// beside the profile folder. `lock` is taken on the profile folder before
// anything is written in it. Returns an error text on failure.
std::optional<std::string> prepareSessionPaths(const Options& options, SessionPaths& paths,
                                               FolderLock& lock);

// Where the module keeps its files in a profile (the USERPROFILE it sees):
// the device folder (the log file), its Applications folder (settings and
// menu file), and the names it gives them by default.
inline constexpr const char* kSettingsFileName = "autocad_addin.ini";
inline constexpr const char* kMenuFileName = "autocad.mnu";
inline constexpr const char* kDefaultLogFileName = "autocad_addin_log.txt";
std::string deviceDir(const std::string& profileDir);
std::string applicationsDir(const std::string& profileDir);

// The sample menu file written into a new default profile.
const std::string& sampleMenuText();

}  // namespace qxsim
