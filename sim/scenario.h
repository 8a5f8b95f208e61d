// Scenario files of qxsim: text in, steps out. Pure (no I/O, no globals);
// any thread. One step a line, '#' starts a comment, numbers in C syntax
// (0x20009, -5, 1e3), "double quotes" keep blanks inside a word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "number_literal.h"

namespace qxsim {

enum class StepKind : std::uint8_t {
    // device side: delivered by the simulated daemon
    Daemon,
    Devices,
    Rotation,
    Modes,
    Cap,
    Release,
    Key,
    // time
    Wait,
    // host side: run on the host's main thread
    Command,
    Space,
    NoDocument,
    Document,
    NewDocument,
    CurrentDocument,
    CloseDocument,
    Unload,
    Load,
    Setting,
    // drawing database
    Drawing,
    Line,
    Circle,
    Layer,
    View,
    Camera,
    PaperView,
    Select,
    // desktop
    Pointer,
    Window,
};

// Who carries a step out; decides when it runs relative to a preceding wait.
enum class StepSide { Device, Time, Host, Drawing, Desktop };

// The values of one trailing keyword group, e.g. "scroll 0 100 10 0".
struct StepOption {
    std::vector<double> numbers;
    std::vector<std::string> words;
};

// One parsed line. Positional values are kept in order of appearance:
// numbers in `numbers`, keywords and names in `words`.
struct Step {
    StepKind kind{};
    std::string name;  // step word as written ("cap")
    std::string text;  // the whole step as written, without comment and extra blanks
    std::string file;  // for messages
    int line = 0;
    std::vector<double> numbers;
    std::vector<std::string> words;
    std::map<std::string, StepOption> options;
    // The comment lines (written from the line's first column) between the
    // step before and this one, as written: what the scenario says it shows.
    std::vector<std::string> comments;

    const StepOption* option(const std::string& keyword) const;
    // `numbers[i]` as an integer; the parser has already checked integer slots.
    std::int64_t integer(std::size_t i) const { return static_cast<std::int64_t>(numbers.at(i)); }
    // "file:line" for messages.
    std::string where() const;
};

StepSide sideOf(StepKind kind);

// Every form of every step, one usage line each ("rotation CODE [zoomall on|off]").
std::vector<std::string> stepUsages();

// " (did you mean 'cap'?)" for the one of `names` that `word` is a slip of
// (letters swapped, left out, doubled or mistyped, in any case), else empty.
std::string didYouMean(std::string_view word, const std::vector<std::string>& names);

struct ScenarioError {
    std::string file;
    int line = 0;
    std::string message;       // what was expected and what was found
    std::string text() const;  // "file:line: message"
};

// Bounds no person's scenario meets but a runaway script would pass: the
// file's size and a line's length, in bytes.
inline constexpr std::size_t kMaxScenarioBytes = 8 * 1024 * 1024;
inline constexpr std::size_t kMaxScenarioLineBytes = 64 * 1024;

struct ParseResult;

// The steps of a scenario, kept as places in its text and parsed again when
// read, so that a scenario of a million lines takes a few times its own size
// in memory. Reading one gives a Step of its own.
class StepList {
public:
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Step;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Step;
        Iterator(const StepList* list, std::size_t index) : mList(list), mIndex(index) {}
        Step operator*() const { return (*mList)[mIndex]; }
        Iterator& operator++() {
            ++mIndex;
            return *this;
        }
        bool operator==(const Iterator& other) const { return mIndex == other.mIndex; }

    private:
        const StepList* mList;
        std::size_t mIndex;
    };

    std::size_t size() const { return mEntries.size(); }
    bool empty() const { return mEntries.empty(); }
    StepKind kind(std::size_t i) const { return mEntries.at(i).kind; }
    Step operator[](std::size_t i) const;
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, size()}; }

private:
    friend ParseResult parseScenario(std::string text, const std::string& file);
    struct Entry {
        std::uint32_t from;  // where the step's line begins in mText
        std::uint32_t line;
        StepKind kind;
    };
    std::string mText;
    std::string mFile;
    std::deque<Entry> mEntries;  // grows without copying itself
};

struct ParseResult {
    StepList steps;
    std::optional<ScenarioError> error;  // the first error; steps then hold the lines before it
};

// Parses a whole scenario; a UTF-8 byte-order mark before its first line is
// no part of it. `file` is only used in steps and messages. A line longer
// than kMaxScenarioLineBytes is an error (the size of the whole text is the
// reader's to bound, below 4 GiB).
ParseResult parseScenario(std::string text, const std::string& file);

// Parses one line (without its line end). Returns no step for a blank or
// comment-only line.
std::optional<Step> parseLine(std::string_view text, const std::string& file, int line,
                              std::optional<ScenarioError>& error);

}  // namespace qxsim
