// An arbitrary settings file read by Settings in a scratch profile. The file
// the destructor writes back must read again into the same values: reading
// and writing the canonical file is a fixed point (but for values that end
// in NULs, which reading shortens by one).
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings.h"

namespace {

// Creates the profile folders once and points USERPROFILE at them.
std::filesystem::path setUpProfile() {
    std::string dir = (std::filesystem::temp_directory_path() / "fuzz_settingsXXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        abort();
    }
    const std::filesystem::path apps =
        std::filesystem::path(dir) / "QuorvexDevice" / "Applications";
    std::filesystem::create_directories(apps);
    setenv("USERPROFILE", dir.c_str(), 1);
    return apps;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path apps = setUpProfile();
    static const std::string path = (apps / "autocad_addin.ini").string();
    // Every run starts from an empty folder: an unusable file is kept aside
    // under a free backup name, and once all ten are taken the module keeps
    // the file and leaves it alone, which would end the fixed point.
    for (const auto& entry : std::filesystem::directory_iterator(apps)) {
        std::filesystem::remove(entry.path());
    }
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    { Settings settings; }
    const std::string firstWrite = readAll(path);
    {
        Settings settings;
        if (settings.readSettingsFile(path) != 0) {
            abort();  // the file written back must be complete
        }
    }
    // Reading drops a value's final NUL, so a value that ends in NULs loses
    // one each round; every other file written back reads into itself.
    if (firstWrite.find('\0') == std::string::npos && readAll(path) != firstWrite) {
        abort();
    }
    return 0;
}
