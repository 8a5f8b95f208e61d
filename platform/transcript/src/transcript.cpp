// Transcript sinks and the emit() entry point. One lock serialises whole
// lines, so lines from different threads never interleave and their "t"
// values never go backwards.
#include "transcript.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <utility>

#include "json_text.h"

namespace transcript {

namespace {

std::uint64_t noClock() {
    return 0;
}

struct Sinks {
    std::mutex lock;
    std::FILE* file = nullptr;
    bool fileFailed = false;  // a write to the file failed since it was opened
    std::uint64_t fileBytes = 0;
    std::uint64_t fileLimit = UINT64_MAX;
    bool fileFull = false;  // a line did not fit under the limit: none is written after it
    bool capture = false;
    std::vector<std::string> lines;
};

Sinks& sinks() {
    // Never destroyed: threads may still emit while the process ends.
    static auto* theSinks = new Sinks;
    return *theSinks;
}

std::atomic<std::uint64_t (*)()> gClock{&noClock};

// Whether any sink is open; kept beside the sinks so that emitters can skip
// building fields nobody reads. Written under the sinks' lock.
std::atomic<bool> gIsOn{false};

void updateIsOn(const Sinks& s) {
    gIsOn.store(s.file != nullptr || s.capture, std::memory_order_relaxed);
}

void appendKey(std::string& out, std::string_view key) {
    out += ',';
    detail::appendQuoted(out, key);
    out += ':';
}

}  // namespace

Fields& Fields::str(std::string_view key, std::string_view value) {
    appendKey(mText, key);
    detail::appendQuoted(mText, value);
    return *this;
}

Fields& Fields::num(std::string_view key, double value) {
    appendKey(mText, key);
    detail::appendNumber(mText, value);
    return *this;
}

Fields& Fields::integer(std::string_view key, std::int64_t value) {
    appendKey(mText, key);
    mText += std::to_string(value);
    return *this;
}

Fields& Fields::uinteger(std::string_view key, std::uint64_t value) {
    appendKey(mText, key);
    mText += std::to_string(value);
    return *this;
}

Fields& Fields::boolean(std::string_view key, bool value) {
    appendKey(mText, key);
    mText += value ? "true" : "false";
    return *this;
}

Fields& Fields::numbers(std::string_view key, const std::vector<double>& values) {
    appendKey(mText, key);
    mText += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            mText += ',';
        }
        detail::appendNumber(mText, values[i]);
    }
    mText += ']';
    return *this;
}

void emit(std::string_view ev, const Fields& fields) {
    std::string line;
    line.reserve(32 + ev.size() + fields.text().size());
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.file && !s.capture) {
        return;
    }
    // Taken under the lock so the file's times are in order.
    line += "{\"t\":";
    line += std::to_string(gClock.load()());
    line += ",\"ev\":";
    detail::appendQuoted(line, ev);
    line += fields.text();
    line += '}';
    if (s.file && !s.fileFull) {
        line += '\n';
        s.fileFull = line.size() > s.fileLimit - s.fileBytes;
        if (!s.fileFull) {
            s.fileBytes += line.size();
            if (std::fputs(line.c_str(), s.file) < 0 || std::fflush(s.file) != 0) {
                s.fileFailed = true;
            }
        }
        line.pop_back();
    }
    if (s.capture) {
        s.lines.push_back(std::move(line));
    }
}

void useFile(std::FILE* file) {
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.file) {
        std::fclose(s.file);
    }
    s.file = file;
    s.fileFailed = false;
    s.fileBytes = 0;
    s.fileFull = false;
    updateIsOn(s);
}

void setFileLimit(std::uint64_t bytes) {
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    s.fileLimit = bytes;
}

bool fileFull() {
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.fileFull;
}

bool closeFile() {
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    bool ok = !s.fileFailed;
    if (s.file) {
        ok = std::fclose(s.file) == 0 && ok;
        s.file = nullptr;
    }
    s.fileFailed = false;
    updateIsOn(s);
    return ok;
}

void setMemoryCapture(bool on) {
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    s.capture = on;
    updateIsOn(s);
}

bool isOn() {
    return gIsOn.load(std::memory_order_relaxed);
}

std::vector<std::string> captured() {
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.lines;
}

void clearCaptured() {
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    s.lines.clear();
}

std::vector<std::string> takeCaptured() {
    Sinks& s = sinks();
    std::lock_guard<std::mutex> guard(s.lock);
    return std::exchange(s.lines, {});
}

void setClock(std::uint64_t (*nowMs)()) {
    gClock.store(nowMs ? nowMs : &noClock);
}

std::string formatNumber(double value) {
    std::string out;
    detail::appendNumber(out, value);
    return out;
}

}  // namespace transcript
