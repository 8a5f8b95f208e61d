// Profile folder and transcript path of a session; the default profile made
// afresh and its record.

#include "profile.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include "exit_codes.h"
#include "file_replace.h"
#include "settings_step.h"

namespace qxsim {
namespace fs = std::filesystem;

extern const char* const kBundledSampleMenu;       // examples/autocad.mnu
extern const char* const kBundledDefaultSettings;  // examples/autocad_addin.ini

std::string deviceDir(const std::string& profileDir) {
    return (fs::path(profileDir) / "QuorvexDevice").string();
}

std::string applicationsDir(const std::string& profileDir) {
    return (fs::path(deviceDir(profileDir)) / "Applications").string();
}

namespace {

// A file's size and FNV-1a hash: enough to tell a changed file.
using Fingerprint = std::pair<std::uint64_t, std::uint64_t>;
// Files by their path relative to the profile, with '/'.
using Record = std::map<std::string, Fingerprint>;

void hashInto(std::uint64_t& hash, const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ull;
    }
}

constexpr std::uint64_t kHashStart = 0xcbf29ce484222325ull;

std::optional<Fingerprint> fingerprintOfFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::uint64_t hash = kHashStart, size = 0;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        hashInto(hash, buffer, static_cast<std::size_t>(in.gcount()));
        size += static_cast<std::uint64_t>(in.gcount());
    }
    if (!in.eof() || in.bad()) {
        return std::nullopt;
    }
    return Fingerprint{size, hash};
}

// The bundled settings as the module writes its default file: on Windows
// each line ends in CR LF.
std::string bundledSettings() {
    std::string text = kBundledDefaultSettings;
#ifdef _WIN32
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) {
        text.insert(at, 1, '\r');
    }
#endif
    return text;
}

// A temporary file of the safe replace of the settings or the menu file,
// "<name>.<process>-<count>.tmp": left by a replace that was killed. Any
// other name is a file of someone else's.
bool isReplaceTemporary(const std::string& name) {
    const std::string suffix = ".tmp";
    if (name.size() <= suffix.size() || name.compare(name.size() - 4, 4, suffix) != 0) {
        return false;
    }
    const std::string stem = name.substr(0, name.size() - suffix.size());
    const std::size_t dot = stem.find_last_of('.');
    const std::string file = stem.substr(0, dot == std::string::npos ? 0 : dot);
    const std::string tail = stem.substr(dot + 1);
    const std::size_t dash = tail.find('-');
    return (file == kSettingsFileName || file == kMenuFileName) &&
           tail.find_first_not_of("0123456789-") == std::string::npos && dash != 0 &&
           dash != std::string::npos && dash + 1 < tail.size() &&
           tail.find('-', dash + 1) == std::string::npos;
}

// The names the module and qxsim write in the device folder, relative to the
// profile: the settings file and its backups, the menu file, the log (`log`,
// as the settings name it) and its backup. Only these are recorded as a run's.
bool isModuleFile(const std::string& relative, const std::string& log) {
    const std::string device = "QuorvexDevice/";
    const std::string apps = device + "Applications/";
    // The settings file's backups: its stem with ".bak", then ".bak1" and on.
    const std::string settings = kSettingsFileName;
    const std::string bak = apps + settings.substr(0, settings.rfind('.')) + ".bak";
    if (relative == apps + settings || relative == apps + kMenuFileName || relative == bak ||
        (relative.size() == bak.size() + 1 && relative.starts_with(bak) && relative.back() >= '1' &&
         relative.back() < '0' + kFileBackupNames)) {
        return true;
    }
    if (log.empty() || log.find_first_of("/\\") != std::string::npos) {
        return false;  // a log elsewhere, not in the device folder
    }
    const std::size_t dot = log.find_last_of('.');
    return relative == device + log ||
           relative == device + (dot == std::string::npos ? log : log.substr(0, dot)) + ".bak";
}

// What the device folder of a profile holds: regular files, the replace's
// temporaries, folders (parents first), and whether anything else is there
// (a link, a pipe) or could not be read.
struct Contents {
    Record files;
    std::vector<fs::path> temporaries;
    std::vector<fs::path> folders;
    bool other = false;
};

Contents contentsOf(const fs::path& profile) {
    Contents contents;
    const fs::path device = deviceDir(profile.string());
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(device, ec);
    if (!fs::exists(status)) {
        return contents;
    }
    if (!fs::is_directory(status)) {
        contents.other = true;
        return contents;
    }
    contents.folders.push_back(device);
    for (auto it = fs::recursive_directory_iterator(device, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::file_status entry = it->symlink_status(ec);
        const fs::path& path = it->path();
        if (fs::is_directory(entry)) {
            contents.folders.push_back(path);
        } else if (!fs::is_regular_file(entry)) {
            contents.other = true;
        } else if (path.parent_path() == fs::path(applicationsDir(profile.string())) &&
                   isReplaceTemporary(path.filename().string())) {
            contents.temporaries.push_back(path);
        } else if (std::optional<Fingerprint> print = fingerprintOfFile(path)) {
            contents.files[path.lexically_relative(profile).generic_string()] = *print;
        } else {
            contents.other = true;
        }
    }
    contents.other |= static_cast<bool>(ec);
    return contents;
}

Record readRecord(const fs::path& profile) {
    Record record;
    std::ifstream in(profile / kProfileRecordName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::uint64_t size = 0, hash = 0;
        std::string path;
        if (line.empty() || line[0] == '#' || !(fields >> size >> std::hex >> hash) ||
            !std::getline(fields >> std::ws, path)) {
            continue;
        }
        record[path] = {size, hash};
    }
    return record;
}

bool writeRecord(const fs::path& profile, const Record& record) {
    std::ostringstream text;
    text << "# qxsim made this profile for its last run and makes it afresh at the next.\n"
            "# Its files as qxsim wrote them or the run left them (size, hash, path): a\n"
            "# file that differs at the next run is kept aside, never removed.\n";
    for (const auto& [path, print] : record) {
        text << print.first << ' ' << std::hex << print.second << std::dec << ' ' << path << '\n';
    }
    return replaceFileText((profile / kProfileRecordName).string(), text.str()).status ==
           kFileReplaced;
}

// Moves the device folder of an edited default profile into a new folder
// beside the profile, so that it stays whole and usable with --profile.
std::optional<std::string> keepAside(const fs::path& profile, std::string& keptDir) {
    std::error_code ec;
    for (int n = 1; n <= 999; ++n) {
        const fs::path kept = profile.string() + "-kept-" + std::to_string(n);
        if (!fs::create_directory(kept, ec)) {
            if (ec) {
                break;
            }
            continue;  // taken
        }
        fs::rename(deviceDir(profile.string()), deviceDir(kept.string()), ec);
        if (ec) {
            break;
        }
        keptDir = kept.string();
        return std::nullopt;
    }
    return "cannot keep the edited default profile '" + profile.string() +
           "' aside: " + (ec ? ec.message() : std::string("999 kept profiles beside it")) +
           "; play in it with --profile, or move its QuorvexDevice folder away";
}

std::optional<std::string> writeNewFile(const fs::path& path, const std::string& text) {
    // Through the safe replace: a kill leaves a temporary file, never an
    // empty or half-written one under the file's name.
    const FileReplaceResult result = replaceFileText(path.string(), text);
    if (result.status != kFileReplaced) {
        return "cannot write '" + path.string() + "': " + describeFileReplace(result);
    }
    return std::nullopt;
}

// The default profile made afresh: the last run's files removed when they
// are as qxsim recorded them at its end, kept aside when not, then the
// bundled settings and menu files written.
std::optional<std::string> renewDefaultProfile(const fs::path& profile, std::string& keptDir) {
    const Contents old = contentsOf(profile);
    const Record recorded = readRecord(profile);
    const bool edited =
        old.other || std::any_of(old.files.begin(), old.files.end(), [&](const auto& file) {
            const auto it = recorded.find(file.first);
            return it == recorded.end() || it->second != file.second;
        });
    std::error_code ec;
    if (edited) {
        if (std::optional<std::string> error = keepAside(profile, keptDir)) {
            return error;
        }
    } else {
        for (const auto& [path, print] : old.files) {
            fs::remove(profile / path, ec);
        }
        for (const fs::path& path : old.temporaries) {
            fs::remove(path, ec);
        }
        for (auto folder = old.folders.rbegin(); folder != old.folders.rend(); ++folder) {
            fs::remove(*folder, ec);
        }
    }
    const fs::path apps = applicationsDir(profile.string());
    const std::pair<fs::path, std::string> files[] = {{apps / kSettingsFileName, bundledSettings()},
                                                      {apps / kMenuFileName, kBundledSampleMenu}};
    fs::create_directories(apps, ec);
    if (ec) {
        return "cannot create the profile folder '" + apps.string() + "': " + ec.message();
    }
    for (const auto& [path, text] : files) {
        if (std::optional<std::string> error = writeNewFile(path, text)) {
            return error;
        }
    }
    return std::nullopt;
}

// "dir/" and "dir" name the same folder.
std::optional<fs::path> absoluteFolder(const std::string& dir, std::string& error) {
    std::error_code ec;
    fs::path path = fs::absolute(dir, ec);
    if (ec) {
        error = "cannot resolve the profile folder '" + dir + "': " + ec.message();
        return std::nullopt;
    }
    path = path.lexically_normal();
    if (!path.has_filename() && path.has_parent_path()) {
        path = path.parent_path();
    }
    return path;
}

// The default profile's files are made, removed and followed on qxsim's
// word alone, so nobody else may change the folder: another user's is
// refused, and the user's own loses the group's and others' right to write
// (a folder made under a umask of 002 has it).
std::optional<std::string> keepOthersOut(const fs::path& profile) {
#ifdef _WIN32
    (void)profile;
#else
    struct stat status {};
    if (::lstat(profile.c_str(), &status) != 0) {
        return "cannot look at the profile folder '" + profile.string() +
               "': " + std::strerror(errno);
    }
    if (status.st_uid != ::geteuid()) {
        return "the default profile '" + profile.string() +
               "' is another user's folder: qxsim makes it afresh at each run only in a "
               "folder of yours; move it away, or name a profile with --profile";
    }
    const mode_t othersWrite = S_IWGRP | S_IWOTH;
    if ((status.st_mode & othersWrite) != 0 &&
        ::chmod(profile.c_str(), status.st_mode & 07777 & ~othersWrite) != 0) {
        return "cannot keep others from writing in the profile folder '" + profile.string() +
               "': " + std::strerror(errno);
    }
#endif
    return std::nullopt;
}

std::optional<std::string> takeLock(const fs::path& profile, FolderLock& lock) {
    return lock.take(profile.string());
}

}  // namespace

std::optional<std::string> prepareSessionPaths(const Options& options, SessionPaths& paths,
                                               FolderLock& lock) {
    std::string error;
    const std::optional<fs::path> profile =
        absoluteFolder(options.profileDir.value_or(kDefaultProfileDir), error);
    if (!profile) {
        return error;
    }
    paths.profileDir = profile->string();
    paths.freshProfile = !options.profileDir;
    std::error_code ec;
    if (paths.freshProfile) {
        // Made afresh at each run, so only a folder of qxsim's own: never one
        // a link names elsewhere.
        const fs::file_status status = fs::symlink_status(*profile, ec);
        if (fs::exists(status) && !fs::is_directory(status)) {
            return "the default profile '" + paths.profileDir +
                   "' is not a folder (a link, say): qxsim makes it afresh at each run only as "
                   "a folder of its own; move it away, or name it with --profile";
        }
        fs::create_directory(*profile, ec);
        if (ec) {
            return "cannot create the profile folder '" + paths.profileDir + "': " + ec.message();
        }
    }
    // Another user's default profile is refused before its lock is asked
    // for: that user could hold the lock for ever.
    if (paths.freshProfile) {
        if (std::optional<std::string> ownerError = keepOthersOut(*profile)) {
            return ownerError;
        }
    }
    if (std::optional<std::string> lockError = takeLock(*profile, lock)) {
        return lockError;
    }
    if (paths.freshProfile) {
        if (std::optional<std::string> renewError = renewDefaultProfile(*profile, paths.keptDir)) {
            return renewError;
        }
    }
    paths.hasSettingsFolder = fs::is_directory(applicationsDir(paths.profileDir), ec);
    if (options.transcriptPath) {
        paths.transcriptPath =
            fs::absolute(*options.transcriptPath, ec).lexically_normal().string();
    } else {
        paths.transcriptPath = (profile->parent_path() / kDefaultTranscriptName).string();
    }
    return std::nullopt;
}

void recordProfile(const SessionPaths& paths) {
    if (!paths.freshProfile) {
        return;
    }
    // A profile that cannot be recorded is kept aside at the next run, as is
    // any file the run did not make (a person's, put there meanwhile).
    Contents contents = contentsOf(paths.profileDir);
    const std::string log =
        settingValue(applicationsDir(paths.profileDir) + "/" + kSettingsFileName, "logFile");
    std::erase_if(contents.files, [&](const auto& file) { return !isModuleFile(file.first, log); });
    if (!contents.other) {
        writeRecord(paths.profileDir, contents.files);
    }
}

std::string profileNotice(const SessionPaths& paths) {
    std::string notice;
    if (!paths.keptDir.empty()) {
        notice += "qxsim: the default profile '" + paths.profileDir +
                  "' held files that qxsim did not leave there or that changed since (edited by "
                  "hand, or left by a run that was killed); they are kept in '" +
                  paths.keptDir + "': play in them with --profile " + paths.keptDir +
                  ". This run plays in a fresh profile.\n";
    }
    if (!paths.hasSettingsFolder) {
        notice += "qxsim: the profile '" + paths.profileDir + "' has no folder '" +
                  applicationsDir(paths.profileDir) +
                  "': the module runs on its default settings, reads no menu file and writes no "
                  "settings, as on a machine without the device's driver (it shows a message "
                  "box saying so). qxsim --init-profile " +
                  paths.profileDir + " makes a usable profile.\n";
    }
    return notice;
}

std::string profileKind(const SessionPaths& paths) {
    if (paths.freshProfile) {
        return "made afresh for this run from the bundled settings and menu, kept until the next" +
               (paths.keptDir.empty() ? std::string()
                                      : "; the edited one before it is kept in " + paths.keptDir);
    }
    return paths.hasSettingsFolder
               ? "given with --profile: used as it is and kept across runs"
               : "given with --profile, without its settings folder: the module ran on its "
                 "defaults and wrote no settings";
}

int initProfile(const std::string& dir, std::string& report) {
    std::string error;
    const std::optional<fs::path> profile = absoluteFolder(dir, error);
    if (!profile) {
        report = "qxsim: " + error + "\n";
        return kExitIo;
    }
    const fs::path apps = applicationsDir(profile->string());
    std::error_code ec;
    FolderLock lock;
    // The folder is locked before anything is made in it: a running qxsim's
    // profile stays as that session sees it.
    if (!fs::create_directories(*profile, ec) && ec) {
        error = "cannot create the profile folder '" + profile->string() + "': " + ec.message();
    } else if (std::optional<std::string> lockError = takeLock(*profile, lock)) {
        error = *lockError;
    } else if (!fs::create_directories(apps, ec) && ec) {
        error = "cannot create the profile folder '" + apps.string() + "': " + ec.message();
    }
    report = "qxsim: the profile '" + profile->string() + "' is ready for --profile:";
    const std::pair<const char*, fs::path> files[] = {{"settings file", apps / kSettingsFileName},
                                                      {"menu file", apps / kMenuFileName}};
    for (const auto& [what, path] : files) {
        if (!error.empty()) {
            break;
        }
        // Whatever stands under the name stays, a link to nothing too.
        const bool kept = fs::exists(fs::symlink_status(path, ec));
        const std::optional<std::string> writeError =
            kept ? std::nullopt
                 : writeNewFile(path, path.filename() == kMenuFileName ? kBundledSampleMenu
                                                                       : bundledSettings());
        error = writeError.value_or("");
        report += "\n  " + std::string(what) + ": " + path.string() +
                  (kept ? " (kept as it was)" : " (the bundled one)");
    }
    if (!error.empty()) {
        report = "qxsim: " + error + "\n";
        return kExitIo;
    }
    report += "\nplay in it with: qxsim --profile " + profile->string() + " SCENARIO\n";
    return kExitOk;
}

}  // namespace qxsim
