// The process-wide log: entry assembly, the line writer, the header, the
// size limit with its ".bak" backup, and the hex dump.
#include "logging.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <float.h>
#include <iomanip>
#include <iostream>
#include <locale.h>  // _create_locale; _snprintf_l is in <cstdio>

#include <windows.h>

#if defined(PTW32_STATIC_LIB)
#include <pthread.h>
#endif

#include "file_kind.h"
#include "file_replace.h"
#include "os_ids.h"
#include "path_sep.h"

volatile LONG gLogAlive = 0;
volatile UINT32 gLogLevels = 0;

#if defined(PTW32_STATIC_LIB)
namespace {

// Linked statically, pthreads-win32 has no DllMain of its own. The runtime
// makes this file's static objects in order and destroys them in reverse,
// after DllMain's detach: so the library is attached before the log's lock
// is made and detached only after the log is gone (its destructor takes
// the lock, which gives the unloading thread a POSIX handle again).
class ThreadsLibraryAttachment {
public:
    ThreadsLibraryAttachment() { pthread_win32_process_attach_np(); }
    ~ThreadsLibraryAttachment() {
        pthread_win32_thread_detach_np();
        pthread_win32_process_detach_np();
    }

private:
    ThreadsLibraryAttachment(const ThreadsLibraryAttachment&);
    ThreadsLibraryAttachment& operator=(const ThreadsLibraryAttachment&);
};

const ThreadsLibraryAttachment gThreadsLibraryAttachment;

}  // namespace
#endif

Logging gLogging;

namespace {

const char* const kSrcFile = "..\\AutoCAD2011\\..\\..\\..\\..\\QX_Daemon\\src\\logging";
const char* const kClassName = "Logging";

const char* const kLevelTags[] = {"ERR", "WRN", "CRT", "TRC", "DCM", "ICM", "INF", "DBG", "TMP"};

const std::size_t kThreadWidth = 6;
const std::size_t kHexDumpColumns = 10;
// Width of the time column, which repeats of an entry do not compare.
const std::size_t kTimeWidth = 12;
// An entry seen again within this time is a repeat. Of a run of repeats the
// first few are written, so that events a test or a user counts stay whole;
// while a run goes on, the count of those left out is written at a period.
const UINT32 kRepeatWindowMs = 1000;
const INT32 kRepeatsWritten = 3;
const UINT32 kLeftOutPeriodMs = 1000;
// Entries remembered: enough for a few alternating texts of one flood.
const std::size_t kRecentEntries = 8;
const char* const kDefaultLogFile = "forgot_to_name_this_file_log.txt";

// Constant texts only: the log writes a header while it is destroyed at
// unload, after the file's other objects with destructors would be gone.
const char kHeaderRule[] =
    "------------------------------------------------------------------------------------------";
typedef char HeaderRuleIs90Wide[sizeof kHeaderRule == 91 ? 1 : -1];
const char* const kHeaderColumns =
    "    Time    |Typ|  TID |      File      | Line|        Class And Method         | LogText";
const char* const kHeaderColumnRule =
    "------------+---+------+----------------+-----+---------------------------------+---------";

bool isMissingFileError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// True unless the file's last byte can be read and is no line feed.
bool endsInLineFeed(const std::string& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    char last = '\n';
    return !(in.seekg(-1, std::ios::end) && in.get(last)) || last == '\n';
}

// Source-file name the filter compares: after the last "/", else after the
// last backslash, else the whole path.
std::string filterFileName(const char* sourceFilePath) {
    std::string path = sourceFilePath != NULL ? sourceFilePath : "";
    std::size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) {
        cut = path.find_last_of('\\');
    }
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool isFullPath(const std::string& file) {
    return file.find('\\') != std::string::npos || file.find(kPathSeparator) != std::string::npos;
}

// Time, tag and thread columns followed by the prefix and the last "| ".
std::string entryHead(INT32 level, const std::string& prefix) {
    std::string head = getTimeString();
    head.reserve(head.size() + prefix.size() + 16);
    head += "|";
    head += kLevelTags[level];
    head += "|";
    char thread[kDecimalChars];
    char* const threadEnd = thread + sizeof thread;
    const char* const threadStart = writeDecimal(currentThreadId(), threadEnd);
    appendAligned(head, threadStart, static_cast<std::size_t>(threadEnd - threadStart),
                  kThreadWidth, AlignRight);
    head += "|";
    head += prefix;
    head += "| ";
    return head;
}

// The host compiler's runtime writes exponents with three digits at least
// ("1e+010"), C99 with two ("1e+10"), as the log always has: the leading zero
// of a three-digit exponent is dropped. Returns the new size.
int dropThirdExponentDigit(char* text, int size) {
    const char* const e = static_cast<const char*>(std::memchr(text, 'e', size));
    if (e == NULL || text + size - e != 5 || e[2] != '0') {
        return size;
    }
    char* const zero = text + (e - text) + 2;
    zero[0] = zero[1];
    zero[1] = zero[2];
    return size - 1;
}

}  // namespace

// The log's own entries, on this instance, through the ordinary filters.
#define QX_LOG_SELF(level, methodName)                                                \
    if (!isLevelOn(level) ||                                                          \
        !startEntry((level), kSrcFile,                                                \
                    formatLogPrefix(kSrcFile, __LINE__, kClassName, (methodName)))) { \
    } else                                                                            \
        *this

Logging::Logging()
    : mEntryStream(new std::ostringstream()),
      mNumberLocale(_create_locale(LC_NUMERIC, "C")),
      mIsWriteFailed(false),
      mLostEntries(0),
      mIsHeaderLost(false),
      mEntryLock("Logging"),
      mEntryThread(0),
      mIsHexDump(false),
      mEntryHeadSize(0) {
    // Silent until init: no file, no console, every level but ERR off.
    mLogFile = "c:\\def_log.txt";
    mMaxSize = 5000;
    mIsLogToFile = false;
    mIsLogToCnsl = false;
    mIsWarning = false;
    mIsCreation = false;
    mIsTrace = false;
    mIsDevCom = false;
    mIsIntCom = false;
    mIsInfo = false;
    mIsDebug = false;
    mIsTmp = false;
    if (this == &gLogging) {
        gLogLevels = levelBits();
        InterlockedExchange(&gLogAlive, kLogAliveValue);
    }
}

UINT32 Logging::levelBits() const {
    UINT32 bits = 0;
    for (INT32 level = ERR; level <= TMP; ++level) {
        if (isLevelOn(level)) {
            bits |= 1u << level;
        }
    }
    return bits;
}

Logging::~Logging() {
    flushRepeats();
    QX_LOG_SELF(CRT, "Logging::~Logging") << "Logging::~Logging(): destructing ..." << LOG_END;
    if (this == &gLogging) {
        gLogLevels = 0;
        InterlockedExchange(&gLogAlive, 0);
    }
    if (mLogStream.get() != NULL) {
        mLogStream->close();
        mLogStream.reset();
    }
    mEntryStream.reset();
    if (mNumberLocale != NULL) {
        _free_locale(mNumberLocale);
    }
}

void Logging::init(const LogParameters& pars) {
    // Counts still pending belong to the file about to be closed.
    flushRepeats();
    mRecentEntries.clear();
    static_cast<LogParameters&>(*this) = pars;
    if (this == &gLogging) {
        gLogLevels = levelBits();
    }
    mIsHexDump = false;
    if (mLogStream.get() != NULL) {
        mLogStream->close();
        mLogStream.reset();
    }
    mIsWriteFailed = false;
    mLostEntries = 0;
    mIsHeaderLost = false;
    if (!mIsLogToFile) {
        return;
    }
    if (mLogFile.empty()) {
        mLogFile = kDefaultLogFile;
    }
    mLogFilePath = isFullPath(mLogFile) ? mLogFile : joinPath(mSettingsDirPath, mLogFile);
    mLogStream.reset(new std::ofstream());
    openLogStream();
    if (!mLogStream->is_open()) {
        QX_LOG_SELF(ERR, "Logging::init")
            << "Opening log file '" << mLogFile << "failed!" << LOG_END;
        mIsLogToFile = false;
        return;
    }
    writeHeader();
}

bool Logging::startEntry(INT32 level, const char* sourceFilePath, const std::string& prefix) {
    // An entry of this thread that an exception cut short (a handler that
    // caught it logs now) would hold the lock for ever: it is dropped, even
    // when this entry is filtered out.
    abandonEntry();
    if (!mExclFileToLog.empty() && mExclFileToLog != filterFileName(sourceFilePath)) {
        return false;
    }
    if (!isLevelOn(level)) {
        return false;
    }
    mEntryLock.lock();
    InterlockedExchange(&mEntryThread, static_cast<LONG>(GetCurrentThreadId()));
    try {
        const std::string head = entryHead(level, prefix);
        mEntryHeadSize = head.size();
        *this << head;
    } catch (...) {
        endEntry();
        throw;
    }
    return true;
}

void Logging::abandonEntry() {
    if (InterlockedCompareExchange(&mEntryThread, 0, 0) ==
        static_cast<LONG>(GetCurrentThreadId())) {
        endEntry();
    }
}

void Logging::endEntry() {
    resetEntryStream();
    mIsHexDump = false;
    InterlockedExchange(&mEntryThread, 0);
    mEntryLock.unlock();
}

Logging& Logging::operator<<(const std::string& text) {
    if (!mIsHexDump) {
        *mEntryStream << text;
        return *this;
    }
    std::ostream& out = *mEntryStream;
    out << "\n"
        << "       0  1  2  3  4  5  6  7  8  9";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i % kHexDumpColumns == 0) {
            out << "\n" << std::dec << std::setw(4) << i << ": ";
        }
        // Bytes are shown as sign-extended 32-bit values (0x80 -> ffffff80).
        INT32 byte = static_cast<signed char>(text[i]);
        out << std::hex << byte << " ";
    }
    out << std::hex;
    mIsHexDump = false;
    return *this;
}

Logging& Logging::operator<<(INT32 value) {
    if (value == LOG_HEX) {
        mIsHexDump = true;
    } else if (value == LOG_END) {
        // Whatever happens to the line, the entry ends here.
        try {
            const std::string text = mEntryStream->str();
            resetEntryStream();
            writeEntry(text);
        } catch (...) {
            endEntry();
            throw;
        }
        endEntry();
    } else {
        *mEntryStream << value;
    }
    return *this;
}

Logging& Logging::operator<<(double value) {
    std::ostream& out = *mEntryStream;
    // With no float format, sign or width set, the stream prints "%.<precision>g":
    // formatted here directly, without the stream's locale machinery; a line
    // of 3D navigation carries such a number. In the C locale of our own,
    // as the stream writes it: a host that sets a process locale with a
    // decimal comma changes neither.
    const std::ios_base::fmtflags kFormatFlags = std::ios_base::floatfield |
                                                 std::ios_base::showpos | std::ios_base::showpoint |
                                                 std::ios_base::uppercase;
    if ((out.flags() & kFormatFlags) == 0 && out.width() == 0 && _finite(value) &&
        mNumberLocale != NULL) {
        char text[32];
        const int size = _snprintf_l(text, sizeof text, "%.*g", mNumberLocale,
                                     static_cast<int>(out.precision()), value);
        if (size >= 0 && static_cast<std::size_t>(size) < sizeof text) {
            out.write(text, dropThirdExponentDigit(text, size));
            return *this;
        }
    }
    out << value;
    return *this;
}

void Logging::resetEntryStream() {
    // One stream for all entries: building a new one costs more than the
    // rest of the entry. Empty it and undo what the last entry set (a hex
    // dump leaves hexadecimal output on).
    mEntryStream->str(std::string());
    mEntryStream->clear();
    mEntryStream->flags(std::ios_base::skipws | std::ios_base::dec);
    mEntryStream->precision(6);
    mEntryStream->fill(' ');
    mEntryStream->width(0);
}

void Logging::writeEntry(const std::string& text) {
    if (text.size() < kTimeWidth || mEntryHeadSize < kTimeWidth) {
        writeLine(text);
        return;
    }
    const UINT32 now = GetTickCount();
    // The key is the text after the time column.
    const std::size_t keySize = text.size() - kTimeWidth;
    std::list<RecentEntry>::iterator it = mRecentEntries.begin();
    while (it != mRecentEntries.end() &&
           (it->key.size() != keySize ||
            std::memcmp(it->key.data(), text.data() + kTimeWidth, keySize) != 0)) {
        ++it;
    }
    if (it != mRecentEntries.end() && now - it->lastSeenMs < kRepeatWindowMs) {
        it->lastSeenMs = now;
        if (it->writtenInRun < kRepeatsWritten) {
            ++it->writtenInRun;
            writeLine(text);
            return;
        }
        ++it->leftOut;
        if (now - it->lastCountMs >= kLeftOutPeriodMs) {
            writeLeftOut(*it, now);
        }
        return;
    }
    if (it != mRecentEntries.end()) {
        // Back after a pause: first what was left out before it.
        if (it->leftOut > 0) {
            writeLeftOut(*it, now);
        }
        mRecentEntries.splice(mRecentEntries.end(), mRecentEntries, it);
    } else {
        if (mRecentEntries.size() == kRecentEntries) {
            // The oldest record is dropped; it takes the new entry.
            if (mRecentEntries.front().leftOut > 0) {
                writeLeftOut(mRecentEntries.front(), now);
            }
            mRecentEntries.splice(mRecentEntries.end(), mRecentEntries, mRecentEntries.begin());
        } else {
            mRecentEntries.push_back(RecentEntry());
        }
        RecentEntry& fresh = mRecentEntries.back();
        fresh.key.assign(text, kTimeWidth, keySize);
        fresh.headSize = mEntryHeadSize - kTimeWidth;
        fresh.leftOut = 0;
    }
    RecentEntry& entry = mRecentEntries.back();
    entry.lastSeenMs = now;
    entry.lastCountMs = now;
    entry.writtenInRun = 1;
    writeLine(text);
}

void Logging::writeLeftOut(RecentEntry& entry, UINT32 nowMs) {
    std::string line = getTimeString();
    line.append(entry.key, 0, entry.headSize);
    line += "Left out " + decimalText(entry.leftOut) + " repeats of: ";
    line.append(entry.key, entry.headSize, std::string::npos);
    entry.leftOut = 0;
    entry.lastCountMs = nowMs;
    writeLine(line);
}

void Logging::flushRepeats() {
    const UINT32 now = GetTickCount();
    for (std::list<RecentEntry>::iterator it = mRecentEntries.begin(); it != mRecentEntries.end();
         ++it) {
        if (it->leftOut > 0) {
            writeLeftOut(*it, now);
        }
    }
}

void Logging::writeLine(const std::string& text) {
    if (mLogStream.get() != NULL && mIsWriteFailed) {
        reopenAfterFailedWrite();
    }
    if (mLogStream.get() != NULL && !mIsWriteFailed) {
        // In 64 bits: a limit of 2147484 kB or more would wrap in 32 bits and
        // rotate the log before every line.
        const INT64 limit = static_cast<INT64>(mMaxSize) * 1000;
        if (writePosition() >= limit) {
            backupLogFile();
        }
        // A file whose header was lost gets one before anything else.
        if (mIsHeaderLost && writeOut(headerText())) {
            mIsHeaderLost = false;
        }
        if (mLostEntries > 0 && writeOwnError(__LINE__, "Logging::writeLine",
                                              "Writing the log file failed: " +
                                                  decimalText(mLostEntries) + " entries lost.")) {
            mLostEntries = 0;
        }
    }
    if (!writeOut(text)) {
        ++mLostEntries;
    }
}

bool Logging::writeOut(const std::string& text) {
    const bool isWritten = writeToFile(text);
    if (mIsLogToCnsl) {
        std::cout << text << std::endl;
    }
    return isWritten;
}

bool Logging::writeToFile(const std::string& text) {
    if (mLogStream.get() == NULL || !mIsLogToFile) {
        return true;
    }
    if (mIsWriteFailed) {
        return false;
    }
    if (!mLogStream->is_open()) {
        return true;  // closed by a failed backup: that is not retried
    }
    *mLogStream << text << std::endl;
    if (mLogStream->fail()) {
        // A full disk, say. The file is reopened with the next entry; until
        // then entries are counted, and the failure is told once a run on
        // the stream the entry lock reports on.
        if (mLostEntries == 0) {
            std::cerr << "Logging: writing the log file '" << mLogFilePath
                      << "' failed! Lost entries are counted until it can be written again."
                      << std::endl;
        }
        mIsWriteFailed = true;
        mLogStream->close();
        return false;
    }
    return true;
}

void Logging::reopenAfterFailedWrite() {
    mLogStream->clear();
    openLogStream();
    // Else tried again with the next entry.
    mIsWriteFailed = !mLogStream->is_open();
}

void Logging::writeHeader() {
    // A lost header counts as a lost entry: the failure is told once, and
    // the file gets a header when it can be written again.
    if (!writeOut(headerText())) {
        ++mLostEntries;
        mIsHeaderLost = true;
    }
}

std::string Logging::headerText() const {
    std::string header(kHeaderRule);
    header += "\nQuorvex logfile '" + mLogFile + "' opened at " + getDateString() + "\n";
    header += kHeaderRule;
    header += "\n";
    header += kHeaderColumns;
    header += "\n";
    header += kHeaderColumnRule;
    return header;
}

INT32 Logging::backupLogFile() {
    if (mLogStream.get() == NULL) {
        return -1;
    }
    mLogStream->close();
    std::string bakPath = backupPath();

    // A file or link of that name goes (a link without what it names), never
    // a folder; the move then replaces nothing that came in between.
    if (!DeleteFileA(bakPath.c_str()) && !isMissingFileError(GetLastError())) {
        writeOwnError(__LINE__, "Logging::backupLogFile", "'" + bakPath + "' couldn't be removed!");
        return -2;
    }
    if (!MoveFileExA(mLogFilePath.c_str(), bakPath.c_str(), 0) &&
        !isMissingFileError(GetLastError())) {
        std::cout << "File '" << mLogFilePath << "' couldn't be renamed to '" << bakPath << "'!"
                  << std::endl;
        return -3;
    }
    openLogStream();
    if (!mLogStream->is_open()) {
        writeOwnError(__LINE__, "Logging::backupLogFile",
                      "Opening of stream of'" + mLogFilePath + "' failed!\n");
    } else {
        writeHeader();
    }
    return 0;
}

void Logging::openLogStream() {
    // Append: earlier runs stay in the file; POSIX files are shared anyway.
    // Anything but a regular file (a pipe would block) and a link (the log
    // is never written through one) count as not openable.
    if (!isFileLink(mLogFilePath) && isRegularOrMissing(mLogFilePath)) {
        mLogStream->open(mLogFilePath.c_str(), std::ios::out | std::ios::app);
    }
    mLogStream->seekp(0, std::ios::end);
    // A line cut short (a full disk, a kill) is ended first, so that what
    // follows, the next line or a header, starts in the first column.
    if (static_cast<INT64>(mLogStream->tellp()) > 0 && !endsInLineFeed(mLogFilePath)) {
        *mLogStream << std::endl;
    }
}

INT64 Logging::writePosition() {
    // Where the stream writes next: the end of the file as of its last line,
    // so that what other processes appended meanwhile counts too.
    return mLogStream->is_open() && !mLogStream->fail() ? static_cast<INT64>(mLogStream->tellp())
                                                        : -1;
}

std::string Logging::backupPath() const {
    std::size_t nameStart = mLogFilePath.find_last_of(std::string("\\") + kPathSeparator);
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::size_t dot = mLogFilePath.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) {
        return mLogFilePath + ".bak";
    }
    return mLogFilePath.substr(0, dot) + ".bak";
}

bool Logging::writeOwnError(int line, const char* method, const std::string& text) {
    // Called with mEntryLock held: the line is finished here and written
    // without the size check, which could only start another backup.
    if (!mExclFileToLog.empty() && mExclFileToLog != filterFileName(kSrcFile)) {
        return true;
    }
    return writeOut(entryHead(ERR, formatLogPrefix(kSrcFile, line, kClassName, method)) + text);
}

void logCaughtException(const char* file, int line, const char* className,
                        const char* methodName) throw() {
    try {
        const char* what = "unknown exception";
        try {
            throw;
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        const char* name = std::strrchr(methodName, ':');
        name = name != NULL ? name + 1 : methodName;
        if (InterlockedCompareExchange(&gLogAlive, 0, 0) == kLogAliveValue &&
            gLogging.startEntry(ERR, file, formatLogPrefix(file, line, className, methodName))) {
            gLogging << "Error " << name << "(): " << what << LOG_END;
        }
    } catch (...) {
        // No memory left even for the entry: it cannot be told.
        gLogging.abandonEntry();
    }
}
