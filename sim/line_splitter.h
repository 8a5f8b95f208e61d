// Splits bytes that arrive in pieces (standard input read as it comes) into
// lines, in time linear in the bytes: each byte is searched once for a line
// feed, however long its line, and the lines handed out are dropped in
// batches.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qxsim {

class LineSplitter {
public:
    void append(std::string_view bytes) { mBuffer.append(bytes); }
    // The input has ended: a last line without a line feed is a line too.
    void close();
    // Takes the next whole line, without its line feed; false when no line
    // is complete yet.
    bool next(std::string& line);

private:
    std::string mBuffer;
    std::size_t mStart = 0;    // the first byte not handed out yet
    std::size_t mScanned = 0;  // from mStart up to here there is no line feed
};

}  // namespace qxsim
