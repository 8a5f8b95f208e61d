// Reading back the transcript lines the stand-ins captured in memory
// (transcript::setMemoryCapture), shared by the test suites.
#pragma once

#include <string>
#include <vector>

#include "transcript.h"

namespace captured {

// Captured lines whose "ev" is `ev`, whole.
inline std::vector<std::string> ofKind(const std::string& ev) {
    const std::string marker = "\"ev\":\"" + ev + "\"";
    std::vector<std::string> found;
    for (const std::string& line : transcript::captured()) {
        if (line.find(marker) != std::string::npos) {
            found.push_back(line);
        }
    }
    return found;
}

// Every captured line without its time stamp: {"ev":...}.
inline std::vector<std::string> withoutTime() {
    std::vector<std::string> out;
    for (const std::string& line : transcript::captured()) {
        const auto pos = line.find("\"ev\"");
        out.push_back(pos == std::string::npos ? line : "{" + line.substr(pos));
    }
    return out;
}

}  // namespace captured
