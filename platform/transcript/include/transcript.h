// Transcript of what the plug-in did to the simulated world: one JSON object
// a line, each with "t" (ms on the stand-in clock) and "ev". Written by the
// stand-ins from any thread; read by qxsim and the tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace transcript {

// Ordered JSON fields of one event. Numbers use the shortest text that reads
// back to the same double; strings are JSON-escaped (UTF-8).
class Fields {
public:
    Fields& str(std::string_view key, std::string_view value);
    Fields& num(std::string_view key, double value);
    Fields& integer(std::string_view key, std::int64_t value);
    Fields& uinteger(std::string_view key, std::uint64_t value);
    Fields& boolean(std::string_view key, bool value);
    Fields& numbers(std::string_view key, const std::vector<double>& values);
    const std::string& text() const { return mText; }  // ",\"k\":v,..." or empty

private:
    std::string mText;
};

// Appends {"t":..,"ev":..,fields} to every sink. Thread-safe; lines never
// interleave.
void emit(std::string_view ev, const Fields& fields = Fields());

// Sinks: a file and an in-memory copy. The file is opened by its user (qxsim
// opens it as its own, never through a link); the transcript writes and
// closes it, and a file given again replaces the one before.
void useFile(std::FILE* file);
// False when a write to the file or its close failed (a full device).
bool closeFile();
// The most bytes the file may take (default: no bound). The first line that
// does not fit is not written, nor any after it, and fileFull() tells so:
// the file ends with a whole line.
void setFileLimit(std::uint64_t bytes);
bool fileFull();
void setMemoryCapture(bool on);
// True while a file or the in-memory copy takes events: hot emitters test it
// before they format fields that would be dropped.
bool isOn();
std::vector<std::string> captured();  // lines captured since last clear
void clearCaptured();
// The lines captured since the last take or clear, cleared at once (so no
// line is lost between a read and a clear).
std::vector<std::string> takeCaptured();

// Source of "t" (ms). The window-system stand-in installs its clock here when
// it is loaded; until then "t" is 0.
void setClock(std::uint64_t (*nowMs)());

// Formats a double the way the transcript does (shortest round-trip text).
std::string formatNumber(double value);

}  // namespace transcript
