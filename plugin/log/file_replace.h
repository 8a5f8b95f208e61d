// Replacing a user's file with a new text without ever leaving it shorter,
// mixed or gone, and keeping a copy of one aside without touching anything
// else: the module's settings file and qxsim's `setting` step use it. No
// logging here (qxsim has no log); the caller reports the result.
// One thread at a time: the module's settings are written on the host's main
// thread only.
#pragma once

#include <string>

enum FileReplaceStatus {
    // The new text is in place (replaced through a temporary file, a missing
    // file created, or a file with more than one name written in place
    // through a verified copy, so that its names stay one file).
    kFileReplaced = 0,
    // No temporary file could be made beside the file (a read-only folder);
    // the new text fitted in the space the file already had and was written
    // over it.
    kFileWrittenInPlace,
    // The file is read-only: it was left as it was.
    kFileReadOnly,
    // A folder, pipe, device or a link to nothing is in the file's place:
    // left alone.
    kFileNotRegular,
    // No temporary file could be made beside the file, and the new text does
    // not fit in the file's own space: the file was left as it was.
    kFileNoTemporary,
    // The file could not be created (its folder is missing, say).
    kFileNotCreated,
    // The new text could not be written completely (a full disk): the file
    // was left as it was.
    kFileWriteFailed,
    // The temporary file could not be moved over the file: the file was left
    // as it was.
    kFileReplaceFailed
};

struct FileReplaceResult {
    FileReplaceResult() : status(kFileReplaced), error(0) {}
    FileReplaceStatus status;
    // The file replaced, or that would have been: the file a link names.
    std::string path;
    // Its folder, where the temporary file is made.
    std::string folder;
    // errno, or GetLastError() on Windows, of the call that failed; 0 if none.
    int error;
};

// Replaces the file at `path` with `text` (bytes as given) in one step:
// - a link is followed and the file it names is replaced in its own folder;
//   the link stays a link;
// - the text goes to a temporary file "<name>.<process>-<n>.tmp" beside that
//   file, created exclusively without following links, so that nothing
//   already there (a leftover file, link, folder or pipe) is opened or
//   followed, and with the old file's mode from the start; temporaries of
//   ours left by processes that no longer run (plain files of that pattern)
//   are removed first, as is a leftover "<name>.tmp" of an earlier version;
// - the new file keeps the old one's mode and, where the process may, its
//   owner (on Windows ReplaceFile keeps attributes and security); its data
//   is flushed before the move and the folder after it;
// - a file with more than one name (hard links) is not replaced but written
//   in place, once the new text has been written to a temporary file and
//   read back whole;
// - a read-only file is not written.
// When no temporary file can be made beside the file, it is written in place
// only if the text fits in the space the file already has. A text written in
// place is padded with blanks to the old length, flushed, and only then cut:
// at each step the file reads as the old text or as the new one.
FileReplaceResult replaceFileText(const std::string& path, const std::string& text);

// True when path names a symbolic link (a reparse point on Windows), even one
// to nothing.
bool isFileLink(const std::string& path);

// What happened, as the end of a sentence after "...: ", for a log entry or
// an error message; empty for kFileReplaced.
std::string describeFileReplace(const FileReplaceResult& result);

// Backup names of keepFileAside: the base, then the base with 1 to 9.
const int kFileBackupNames = 10;

struct FileKeepResult {
    FileKeepResult() : isKept(false), error(0) {}
    bool isKept;
    // The backup made, or the name last tried.
    std::string backupPath;
    // As in FileReplaceResult; ERROR_ALREADY_EXISTS when every name is taken.
    int error;
};

// Keeps the regular file at `path` (a link followed) aside under the first
// free name of `backupBase`, `backupBase`1 ... `backupBase`9 in one step,
// never through a link and never over anything of that name:
// - a file with one name is moved there;
// - a link, or a file with more names, is copied there, created exclusively
//   with the file's mode, so that the link and the other names stay as they
//   are (up to kMaxReadFileBytes); a link to a larger file is moved there
//   itself, a larger file with more names is not kept.
// Nothing is ever removed to make room.
FileKeepResult keepFileAside(const std::string& path, const std::string& backupBase);
