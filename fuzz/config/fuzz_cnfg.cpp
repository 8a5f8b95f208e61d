// Arbitrary file contents through every read operation of the configuration
// reader. Each input is written to one scratch file and read back.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "cnfg.h"

namespace {

std::string scratchFile() {
    std::string dir = (std::filesystem::temp_directory_path() / "fuzz_cnfgXXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        abort();
    }
    return dir + "/input.ini";
}

// Section names of the settings and menu files, and keys that occur there.
const char* const kSections[] = {"PROGRAM", "LOGGING", "Modes", "MenuBar", " PROGRAM "};
const char* const kKeys[] = {"name", "tmp", "fileToLog", "1", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchFile();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    int32_t status = 0;
    Cnfg cnfg(path, status);
    if (status != 0) {
        abort();  // a regular file that was just written must open
    }

    std::string key;
    std::string value;
    for (const char* section : kSections) {
        // Walking a section must end at its last parameter, and every key
        // the walk finds must be found again by a lookup.
        if (cnfg.findSection(section) == 0) {
            size_t found = 0;
            std::string firstKey;
            std::string firstValue;
            while (cnfg.getNextParameter(key, value, true) == 0) {
                if (key.empty() || ++found > bytes.size()) {
                    abort();
                }
                if (found == 1) {
                    firstKey = key;
                    firstValue = value;
                }
            }
            if (cnfg.error() != Cnfg::kNoFurtherParameter) {
                abort();
            }
            if (found > 0 &&
                (cnfg.getParameter(firstKey, value, section, true) != 0 || value != firstValue)) {
                abort();
            }
        }
        for (const char* wanted : kKeys) {
            const int32_t result = cnfg.getParameter(wanted, value, section, wanted[0] != 'n');
            if (result != 0 && result != 2 && result != 3) {
                abort();
            }
            cnfg.getErrorText();
        }
    }
    // With no section the lookups go on from wherever the stream stands.
    cnfg.findSection("PROGRAM");
    cnfg.getParameter("version", value, "", true);
    cnfg.getParameter("name", value, "", false);

    // The same text as a single line, and trimming of arbitrary text.
    std::string section;
    cnfg.parseLine(bytes, section, key, value);
    Cnfg::trim(value);
    std::string text = bytes;
    Cnfg::trim(text);
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        abort();
    }
    return 0;
}
