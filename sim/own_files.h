// How qxsim opens the scenario it reads and every file it writes (the
// transcript, the pictures, ...), so that none can be turned against the
// user's own files: qxsim never writes through a link or a name it did not
// resolve on purpose, never removes or replaces a file it did not create,
// and creates every new file exclusively, with its final mode. Main thread.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

namespace qxsim {

// Reads the regular file `path`, at most `maxBytes` + 1 bytes (enough to
// tell that it is longer). Anything else (a pipe, a device, a folder) is
// refused at once, never waited on: false with `error` saying what it is.
bool readRegularFile(const std::string& path, std::size_t maxBytes, std::string& text,
                     std::string& error);

// The mode of every file qxsim creates, less what the umask takes away.
inline constexpr unsigned kNewFileMode = 0644;

// Creates `path` and opens it for writing, exclusively: never over a name
// that exists (a link, a file of anyone's), never through a link, with its
// final `mode` from the start (0600 for a secret; ignored on Windows, where a
// new file takes its folder's rights). A descriptor, or -1 with errno set
// (EEXIST: the name is taken).
int createNewFile(const std::string& path, unsigned mode = kNewFileMode);

// Opens `path` for writing one of qxsim's files: a new one, or qxsim's own
// earlier file of that name (a regular file of the user running qxsim, with
// no other name, empty or starting with `head`), which is emptied. Anything
// else at that name stays as it is: null, and `error` says "cannot write
// `what` '<path>': " and why. With `lock`, the file is locked for this
// process before it is looked at or emptied, and one that another qxsim
// holds is refused with "qxsim already writes '<path>' (process N)"; the
// lock ends when the file is closed.
std::FILE* openOwnFile(const std::string& path, std::string_view head, const std::string& what,
                       bool lock, std::string& error);

// Removes qxsim's own earlier file at `path` (as openOwnFile tells it); true
// when nothing is left there, false with `error` set when something else is
// there, which stays.
bool removeOwnFile(const std::string& path, std::string_view head, std::string& error);

// The transcript: a file of qxsim's as above, locked, or a character device
// (/dev/null, /dev/full) written as it is. Null with `error` set when not.
std::FILE* openTranscriptFile(const std::string& path, std::string& error);

// A text collected in memory and written at close() into a file of qxsim's
// (openOwnFile without a lock): close() returns false and sets failbit when
// the file cannot be opened or written.
class OwnFileStream : public std::ostringstream {
public:
    OwnFileStream(std::string path, std::string_view head) : mPath(std::move(path)), mHead(head) {}
    bool close() {
        const std::string text = std::move(*this).str();
        std::string error;
        if (std::FILE* file = openOwnFile(mPath, mHead, "a file", false, error)) {
            const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
            if (std::fclose(file) == 0 && written) {
                return true;
            }
        }
        setstate(std::ios::failbit);
        return false;
    }

private:
    std::string mPath;
    std::string mHead;
};

}  // namespace qxsim
