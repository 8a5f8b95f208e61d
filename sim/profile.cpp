// Profile folder and transcript path of a session.

#include "profile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace qxsim {
namespace fs = std::filesystem;

extern const char* const kBundledSampleMenu;  // examples/autocad.mnu, bundled at build time

const std::string& sampleMenuText() {
    static const std::string text = kBundledSampleMenu;
    return text;
}

std::string deviceDir(const std::string& profileDir) {
    return (fs::path(profileDir) / "QuorvexDevice").string();
}

std::string applicationsDir(const std::string& profileDir) {
    return (fs::path(deviceDir(profileDir)) / "Applications").string();
}

namespace {

std::optional<std::string> createDefaultProfile(const fs::path& profile) {
    const fs::path applications = applicationsDir(profile.string());
    std::error_code ec;
    fs::create_directories(applications, ec);
    if (ec) {
        return "cannot create the profile folder '" + applications.string() + "': " + ec.message();
    }
    // Anything of that name stays as it is, a link to nothing too: writing
    // through it would make a file wherever it points.
    const fs::path menu = applications / kMenuFileName;
    if (fs::exists(fs::symlink_status(menu, ec))) {
        return std::nullopt;
    }
    std::ofstream out(menu, std::ios::binary);
    out << sampleMenuText();
    out.close();
    if (!out) {
        return "cannot write the sample menu file '" + menu.string() + "'";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> prepareSessionPaths(const Options& options, SessionPaths& paths,
                                               FolderLock& lock) {
    std::error_code ec;
    fs::path profile = fs::absolute(options.profileDir.value_or(kDefaultProfileDir), ec);
    if (ec) {
        return "cannot resolve the profile folder: " + ec.message();
    }
    // "dir/" and "dir" name the same folder; the transcript goes beside it.
    profile = profile.lexically_normal();
    if (!profile.has_filename() && profile.has_parent_path()) {
        profile = profile.parent_path();
    }
    // The lock is on the profile folder itself: the default one is made first.
    if (!options.profileDir && !fs::create_directory(profile, ec) && ec) {
        return "cannot create the profile folder '" + profile.string() + "': " + ec.message();
    }
    if (std::optional<std::string> error = lock.take(profile.string())) {
        return error;
    }
    if (!options.profileDir) {
        if (std::optional<std::string> error = createDefaultProfile(profile)) {
            return error;
        }
    }
    paths.profileDir = profile.string();
    if (options.transcriptPath) {
        paths.transcriptPath =
            fs::absolute(*options.transcriptPath, ec).lexically_normal().string();
    } else {
        paths.transcriptPath = (profile.parent_path() / kDefaultTranscriptName).string();
    }
    return std::nullopt;
}

}  // namespace qxsim
