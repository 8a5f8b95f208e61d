// The process-wide log: one Logging instance (gLogging) that every thread of
// the module writes entries to through QX_LOG. An entry is one line in the log
// file and/or on standard output; whole entries are serialised by mEntryLock.
// init() runs on the host's main thread before other threads start.
#pragma once

#include <cstddef>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <list>

#include <windows.h>

#include "log_time.h"
#include "mutex.h"
#include "scoped_ptr.h"

// Log levels; the code indexes the level's tag and flag. ERR is always
// written; a code of 9 or more is no level and is dropped.
enum LogLevel { ERR = 0, WRN, CRT, TRC, DCM, ICM, INF, DBG, TMP };

// Tokens streamed through the integer operator: end the entry / hex-dump the
// next string. These two values can never be logged as numbers.
const INT32 LOG_END = 314159;
const INT32 LOG_HEX = 271828;

// Value of gLogAlive while gLogging is usable.
const LONG kLogAliveValue = 314159;

// The [LOGGING] settings: file, size limit, level flags, source-file filter.
class LogParameters {
public:
    LogParameters()
        : mSectionName("LOGGING"),
          mLogFile("autocad_addin_log.txt"),
          mMaxSize(5000),
          mIsLogToFile(true),
          mIsLogToCnsl(false),
          mIsWarning(false),
          mIsCreation(true),
          mIsTrace(false),
          mIsDevCom(false),
          mIsIntCom(false),
          mIsInfo(true),
          mIsDebug(false),
          mIsTmp(false) {}

    std::string mSectionName;
    std::string mSettingsDirPath;  // folder of a log file named without a path
    std::string mLogFile;
    INT32 mMaxSize;  // units of 1000 bytes
    bool mIsLogToFile;
    bool mIsLogToCnsl;
    bool mIsWarning;
    bool mIsCreation;
    bool mIsTrace;
    bool mIsDevCom;
    bool mIsIntCom;
    bool mIsInfo;
    bool mIsDebug;
    bool mIsTmp;
    std::string mExclFileToLog;  // when set, only this source file is logged
};

class Logging : public LogParameters {
public:
    Logging();
    ~Logging();

    // Takes over the parameters and (re)opens the log file.
    void init(const LogParameters& pars);

    // True when an entry of this level may pass: the one flag test QX_LOG
    // makes before it formats anything. Level 0 always passes.
    // The bits of gLogLevels for these flags.
    UINT32 levelBits() const;
    bool isLevelOn(INT32 level) const {
        switch (level) {
            case ERR:
                return true;
            case WRN:
                return mIsWarning;
            case CRT:
                return mIsCreation;
            case TRC:
                return mIsTrace;
            case DCM:
                return mIsDevCom;
            case ICM:
                return mIsIntCom;
            case INF:
                return mIsInfo;
            case DBG:
                return mIsDebug;
            case TMP:
                return mIsTmp;
            default:
                return false;
        }
    }

    // Opens an entry; on true the caller holds mEntryLock until it streams
    // LOG_END.
    bool startEntry(INT32 level, const char* sourceFilePath, const std::string& prefix);

    // Ends the calling thread's open entry, if it has one, without writing
    // it: an exception cut it short.
    void abandonEntry();

    // Appends the text, or hex-dumps it after LOG_HEX.
    Logging& operator<<(const std::string& text);
    // LOG_HEX requests a hex dump, LOG_END ends the entry; other values are
    // appended in decimal.
    Logging& operator<<(INT32 value);
    // Doubles as the stream writes them, without the stream's slow path when
    // its format is the default.
    Logging& operator<<(double value);
    // Manipulators such as std::endl.
    Logging& operator<<(std::ostream& (*manip)(std::ostream&)) {
        *mEntryStream << manip;
        return *this;
    }
    // Character texts and every other number go straight into the entry.
    template <typename T>
    Logging& operator<<(const T& value) {
        *mEntryStream << value;
        return *this;
    }

    // Writes one finished line (to the file and/or standard output), backing
    // the file up first when it has reached the size limit. After a failed
    // write the file is reopened first, and a line says how many entries
    // were lost.
    void writeLine(const std::string& text);
    // Writes the five-line header block.
    void writeHeader();
    std::string headerText() const;
    // Moves the log file to its ".bak" name and starts a new one: 0 done,
    // -1 no log stream, -2 old backup not removable, -3 log file not movable.
    INT32 backupLogFile();

    const std::string& logFilePath() const { return mLogFilePath; }

private:
    Logging(const Logging&);
    Logging& operator=(const Logging&);

    // Drops what the entry holds and releases mEntryLock.
    void endEntry();
    void openLogStream();
    // Empties the entry stream and restores its default format.
    void resetEntryStream();
    // The log stream's write position; -1 while it is not usable.
    INT64 writePosition();
    // Writes a finished line to the file and/or standard output; false when
    // it should have reached the file and did not.
    bool writeOut(const std::string& text);
    bool writeToFile(const std::string& text);
    // Opens the file again after a failed write and ends a line the failure
    // cut short.
    void reopenAfterFailedWrite();
    std::string backupPath() const;
    // An ERR line of the log itself, written while mEntryLock is held; false
    // when it did not reach the file.
    bool writeOwnError(int line, const char* method, const std::string& text);

    // Repeat suppression: an entry equal to one of the last few (but for its
    // time) is a repeat while each comes less than kRepeatWindowMs after the
    // one before. The first kRepeatsWritten of a run are written; the rest are
    // left out and counted, and a line gives the count once a second while
    // the run lasts, before the entry when it comes again after a pause, and
    // when its record is dropped or the log closes.
    struct RecentEntry {
        RecentEntry() : headSize(0), lastSeenMs(0), lastCountMs(0), writtenInRun(0), leftOut(0) {}
        std::string key;       // the line without its time: level, thread, site, text
        std::size_t headSize;  // of key: where the text starts
        UINT32 lastSeenMs;
        UINT32 lastCountMs;  // start of the run, or its last count line
        INT32 writtenInRun;
        INT64 leftOut;
    };
    // Writes a finished entry unless it repeats a recent one.
    void writeEntry(const std::string& text);
    // The line that says how many repeats of `entry` were left out.
    void writeLeftOut(RecentEntry& entry, UINT32 nowMs);
    // Writes the counts still pending; with mEntryLock held or no other
    // thread left.
    void flushRepeats();

    std::string mLogFilePath;
    ScopedPtr<std::ostringstream> mEntryStream;
    ScopedPtr<std::ofstream> mLogStream;
    // The C locale for numbers (null when the runtime has none: then the
    // entry stream, whose locale is the classic one, writes them). The
    // runtime's _locale_t, named by its struct so that this header needs
    // none of the runtime's.
    struct localeinfo_struct* mNumberLocale;
    // A write to the file failed and it has not been reopened since; the
    // entries that did not reach it meanwhile.
    bool mIsWriteFailed;
    INT64 mLostEntries;
    // The header block was among them: written first once the file can be
    // written again.
    bool mIsHeaderLost;
    Mutex mEntryLock;
    // The thread whose entry is open (0: none), so that an entry an
    // exception cut short is not waited for by its own thread.
    volatile LONG mEntryThread;
    bool mIsHexDump;
    // Size of the current entry's head (time to the last "| ").
    std::size_t mEntryHeadSize;
    // Oldest first; a list, so that a record moves to the back (or the
    // oldest one's takes a new entry) without copying any.
    std::list<RecentEntry> mRecentEntries;
};

// The one Logging instance of the module.
extern Logging gLogging;
// kLogAliveValue while gLogging is usable, 0 before its construction and
// after its destruction; read by every thread without the lock, through the
// interlocked functions.
extern volatile LONG gLogAlive;
// The levels gLogging lets pass, one bit per level code: its flags as init
// took them over (ERR's bit while it lives), 0 before its construction and
// after its destruction. A plain value outside the object, so that a log
// statement tests it first at the cost of one load: like the flags it is
// read without the lock, and it changes only while the module's threads do
// not run (construction, init, destruction).
extern volatile UINT32 gLogLevels;

// For a handler that caught what escaped one of the module's entries (a
// host message, a command, a reactor, the timer, a thread): logs ERR "Error "
// + method + "(): " + what the exception says, on a thread whose own entry
// the exception may have cut short. Never throws.
void logCaughtException(const char* file, int line, const char* className,
                        const char* methodName) throw();

// A log statement that never throws, where an exception must not stop what
// follows (a destructor that ends threads): an entry that fails is dropped.
//   QX_LOG_NOTHROW(QX_LOG(CRT, kSrcFile, kClass, "X::~X") << "Destructing ..." << LOG_END);
#define QX_LOG_NOTHROW(statement) \
    try {                         \
        statement;                \
    } catch (...) {               \
        gLogging.abandonEntry();  \
    }

// The log statement:
//   QX_LOG(INF, kSrcFile, "DaemonProxy", "DaemonProxy::connect") << "text" << LOG_END;
// A disabled level costs one test of gLogLevels and formats nothing; an
// enabled one then tests gLogAlive.
#define QX_LOG(level, file, className, methodName)                                  \
    if (static_cast<UINT32>(level) >= 32u || (gLogLevels >> (level)&1u) == 0 ||     \
        InterlockedCompareExchange(&gLogAlive, 0, 0) != kLogAliveValue) {           \
    } else if (!gLogging.startEntry(                                                \
                   (level), (file),                                                 \
                   formatLogPrefix((file), __LINE__, (className), (methodName)))) { \
    } else                                                                          \
        gLogging
