// The profile folder the module sees as USERPROFILE, and where the session's
// transcript goes. Main thread, before the module loads and after the
// session.
//
// The default profile ./qxsim-profile is made afresh for every run from the
// bundled settings and menu files, so that a scenario plays from the same
// state every time; it stays as the run left it until the next run. qxsim
// records its files (qxsim-made.txt) when the session ends; a file that
// differs from that record at the next run (a person's edit, or a run that
// was killed) is never removed: the profile's device folder is moved to a
// new folder beside it, and qxsim says where. A folder given with --profile
// is used as it is, across runs.
#pragma once

#include <optional>
#include <string>

#include "folder_lock.h"
#include "options.h"

namespace qxsim {

inline constexpr const char* kDefaultProfileDir = "qxsim-profile";
inline constexpr const char* kDefaultTranscriptName = "qxsim-transcript.jsonl";
// The record of the default profile's files, in the profile folder.
inline constexpr const char* kProfileRecordName = "qxsim-made.txt";

struct SessionPaths {
    std::string profileDir;          // absolute
    std::string transcriptPath;      // absolute
    bool freshProfile = false;       // the default profile, made afresh for this run
    std::string keptDir;             // where this run kept an edited default profile
    bool hasSettingsFolder = false;  // QuorvexDevice/Applications is a folder
};

// Resolves the profile folder and the transcript (--transcript, or beside
// the profile folder), takes `lock` on the profile folder itself before
// anything is written in it, and makes the default profile afresh. A folder
// given with --profile is used as it is. Returns an error text on failure.
std::optional<std::string> prepareSessionPaths(const Options& options, SessionPaths& paths,
                                               FolderLock& lock);

// Records the default profile's files as the session left them; nothing for
// a profile given with --profile.
void recordProfile(const SessionPaths& paths);

// What the run should know of its profile before anything plays: an edited
// default profile kept aside, a given profile without its settings folder.
// Lines for standard error, empty when there is nothing to say.
std::string profileNotice(const SessionPaths& paths);

// The kind of profile for the end summary: "(made afresh for this run ...)".
std::string profileKind(const SessionPaths& paths);

// `qxsim --init-profile DIR`: makes DIR a profile the module can use (its
// settings folder with the bundled settings and menu files), keeping every
// file already there. Returns an exit code; `report` tells what was done.
int initProfile(const std::string& dir, std::string& report);

// Where the module keeps its files in a profile (the USERPROFILE it sees):
// the device folder (the log file), its Applications folder (settings and
// menu file), and the names it gives them by default.
inline constexpr const char* kSettingsFileName = "autocad_addin.ini";
inline constexpr const char* kMenuFileName = "autocad.mnu";
inline constexpr const char* kDefaultLogFileName = "autocad_addin_log.txt";
std::string deviceDir(const std::string& profileDir);
std::string applicationsDir(const std::string& profileDir);

}  // namespace qxsim
