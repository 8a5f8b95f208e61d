// Replacing a user's file with a new text without ever leaving it shorter,
// mixed or gone: the module's settings file and qxsim's `setting` step use
// it. No logging here (qxsim has no log); the caller reports the result.
// One thread at a time: the module's settings are written on the host's main
// thread only.
#pragma once

#include <string>

enum FileReplaceStatus {
    // The new text is in place (replaced through a temporary file, or a
    // missing file created).
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
// - the text goes to a temporary file of a fresh name beside that file,
//   created exclusively without following links, so that nothing already
//   there (a leftover file, link, folder or pipe) is opened or followed;
//   a leftover "<name>.tmp" regular file of an earlier version is removed;
// - the new file gets the old one's mode and, where the process may, its
//   owner (on Windows ReplaceFile keeps attributes and security); its data
//   is flushed before the move and the folder after it;
// - a read-only file is not written.
// When no temporary file can be made beside the file, it is written in place
// only if the text fits in the space the file already has.
FileReplaceResult replaceFileText(const std::string& path, const std::string& text);

// True when path names a symbolic link (a reparse point on Windows), even one
// to nothing.
bool isFileLink(const std::string& path);

// What happened, as the end of a sentence after "...: ", for a log entry or
// an error message; empty for kFileReplaced.
std::string describeFileReplace(const FileReplaceResult& result);
