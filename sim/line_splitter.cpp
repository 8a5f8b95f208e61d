// Lines out of pieces of input, each byte searched once.

#include "line_splitter.h"

#include <algorithm>

namespace qxsim {

void LineSplitter::close() {
    if (mBuffer.size() > mStart) {
        mBuffer += '\n';
    }
}

bool LineSplitter::next(std::string& line) {
    const std::size_t eol = mBuffer.find('\n', std::max(mScanned, mStart));
    if (eol == std::string::npos) {
        mScanned = mBuffer.size();
        // What was handed out goes once it is half the buffer: each byte is
        // moved at most once on average.
        if (mStart > 0 && mStart >= mBuffer.size() / 2) {
            mBuffer.erase(0, mStart);
            mScanned -= mStart;
            mStart = 0;
        }
        return false;
    }
    line.assign(mBuffer, mStart, eol - mStart);
    mStart = mScanned = eol + 1;
    return true;
}

}  // namespace qxsim
