// The desktop part of the <windows.h> stand-in: windows under the mouse
// pointer, their classes and scroll bars, messages, message box, beep, the
// module's file path, text conversion, the CRT's low-level file open and the
// one-step file move.
// Included at the end of windows.h; names, values and signatures are those
// of the 64-bit Windows headers. The simulated desktop behind these calls is
// set up through win32_desktop_control.h. Callable from any thread.
#pragma once

// ---- Further types ---------------------------------------------------------
typedef const CHAR* LPCCH;
typedef const WCHAR* LPCWCH;
typedef CHAR* LPCH;
typedef WCHAR* LPWCH;

// ---- Messages --------------------------------------------------------------
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_MOUSEWHEEL 0x020A
#define WHEEL_DELTA 120

// Scroll request codes (low word of wParam of WM_VSCROLL / WM_HSCROLL).
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_LEFT 6
#define SB_BOTTOM 7
#define SB_RIGHT 7
#define SB_ENDSCROLL 8

// Scroll bars.
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_BOTH 3

// SCROLLINFO fields asked for.
#define SIF_RANGE 0x0001
#define SIF_PAGE 0x0002
#define SIF_POS 0x0004
#define SIF_DISABLENOSCROLL 0x0008
#define SIF_TRACKPOS 0x0010
#define SIF_ALL (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)

// GetWindow relations.
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// Message box types and results.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ICONHAND 0x00000010L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONWARNING 0x00000030L
#define IDOK 1
#define IDCANCEL 2

// Code pages.
#define CP_ACP 0
#define CP_UTF8 65001

// Word packing, as in the Windows headers.
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b)                                                                         \
    ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) \
                                                      << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define GET_WHEEL_DELTA_WPARAM(wParam) ((short)HIWORD(wParam))

#ifdef __cplusplus
extern "C" {
#endif

// ---- Pointer and windows ---------------------------------------------------
// Windows are ordered among their siblings (z-order, topmost first) and
// visible only when they and all their ancestors are shown.
BOOL WINAPI GetCursorPos(LPPOINT lpPoint);
// The deepest visible window containing the point: the topmost visible
// top-level window that contains it, then level by level the topmost visible
// child that contains it. NULL over the bare desktop.
HWND WINAPI WindowFromPoint(POINT Point);
BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect);
// The parent of a child window; NULL for a top-level window or a bad handle.
HWND WINAPI GetParent(HWND hWnd);
HWND WINAPI GetWindow(HWND hWnd, UINT uCmd);
// Left and top edges belong to the rectangle, right and bottom do not.
BOOL WINAPI PtInRect(const RECT* lprc, POINT pt);
BOOL WINAPI IsWindowVisible(HWND hWnd);
// Copies at most nMaxCount - 1 characters and a zero; returns the count copied
// (0 for a bad handle or a buffer of no size).
int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount);

// ---- Scroll bars and messages ----------------------------------------------
// Fails (FALSE) unless lpsi->cbSize is sizeof(SCROLLINFO) (28), nBar is
// SB_HORZ or SB_VERT, and the window has scroll bars. Fills the fields that
// fMask asks for.
BOOL WINAPI GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi);
// Delivers synchronously and records the message (transcript `message`). A
// window with scroll bars moves its position on WM_VSCROLL / WM_HSCROLL as a
// list control does (by a line, a page, to either end, or to the thumb
// position), never beyond min .. max - max(page - 1, 0). Returns 0.
LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL WINAPI UpdateWindow(HWND hWnd);

// ---- Message box and sound -------------------------------------------------
// Records the box (transcript `messagebox`) and returns at once with IDOK, as
// if the user had pressed the first button.
int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
// Records the sound (transcript `beep`); costs no simulated time.
BOOL WINAPI Beep(DWORD dwFreq, DWORD dwDuration);

// ---- Module and text -------------------------------------------------------
// The absolute path of the shared object that contains the address
// hModule (a module's instance handle is an address inside it), or of the
// executable for NULL, its bytes read in the ANSI code page. Copies at most nSize - 1 characters
// and a zero; returns the length, or nSize when the path was cut, or 0 on failure.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

// The process environment, wide as Windows keeps it: the value a control
// set (win32_desktop_control.h), else the C library's, its bytes read in the
// ANSI code page. Copies the value and a zero when nSize holds both and
// returns its length; else returns the size needed, zero included. 0 when
// the variable is not set.
DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);

// Code pages: the ANSI code page (CP_ACP) is Windows-1252, whose bytes
// 0x80..0x9F stand for typographic characters and whose five undefined bytes
// stand for the C1 controls of the same value, so every byte converts and
// converts back. The narrow file names of this stand-in (the C run-time's
// paths, the module's path, USERPROFILE) are bytes of that code page. 1252
// may also be named as such. CP_UTF8 is UTF-8.
//
// Both functions: a length of -1 converts up to and including the
// terminating zero, another length that many units (nothing added); an
// output size of 0 asks for the size needed. They return the units written
// (or needed), or 0 on failure: bad arguments, a code page or flag not
// supported here, an output buffer too small, or with the ..._ERR_INVALID_CHARS
// flag an input that is not valid in the code page.

// Flags of MultiByteToWideChar. With CP_UTF8 only MB_ERR_INVALID_CHARS may be
// given; MB_PRECOMPOSED changes nothing for these code pages, and the
// composite and glyph flags are not supported.
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008

// Flags of WideCharToMultiByte. With CP_UTF8 only WC_ERR_INVALID_CHARS may be
// given, and lpDefaultChar and lpUsedDefaultChar must be NULL. No character
// is mapped to a look-alike: with or without WC_NO_BEST_FIT_CHARS, a
// character the code page lacks becomes *lpDefaultChar (or '?') and sets
// *lpUsedDefaultChar. Invalid UTF-16/32 units become U+FFFD in UTF-8.
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar);
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                               LPBOOL lpUsedDefaultChar);

// ---- C run-time low-level files (<io.h> on Windows) ------------------------
#define _O_RDONLY 0x0000
#define _O_WRONLY 0x0001
#define _O_RDWR 0x0002
#define _O_APPEND 0x0008
#define _O_CREAT 0x0100
#define _O_TRUNC 0x0200
#define _O_EXCL 0x0400
#define _O_TEXT 0x4000
#define _O_BINARY 0x8000

// Opens a file as the Windows run-time does: a folder cannot be opened and
// gives -1 with errno EACCES (13). Returns a descriptor or -1 with errno set.
int _open(const char* filename, int oflag, ...);
int _close(int fd);

// ---- Files (<winbase.h>) ----------------------------------------------------
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
#define MOVEFILE_WRITE_THROUGH 0x00000008

// Renames a file in one step (rename(2)); anything of the new name, a link
// to nothing included, is replaced only with MOVEFILE_REPLACE_EXISTING
// (ERROR_ALREADY_EXISTS otherwise, checked and renamed in one step), a folder
// never; with MOVEFILE_WRITE_THROUGH the folder is flushed before it returns.
// FALSE on failure (last error set), as for a name in another file system.
BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);

typedef const void* LPCVOID;
typedef int64_t LONGLONG;
typedef union _LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;
typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;
typedef INT_PTR(WINAPI* FARPROC)(void);

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define GENERIC_READ 0x80000000
#define GENERIC_WRITE 0x40000000
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define FILE_BEGIN 0
#define REPLACEFILE_IGNORE_MERGE_ERRORS 0x00000002
#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002
#define FILE_TYPE_PIPE 0x0003
#define ERROR_INVALID_HANDLE 6L
#define ERROR_WRITE_PROTECT 19L
#define ERROR_FILE_EXISTS 80L
#define ERROR_DISK_FULL 112L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_UNABLE_TO_REMOVE_REPLACED 1175L
#define ERROR_UNABLE_TO_MOVE_REPLACEMENT 1176L
#define ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 1177L

// The file functions below set the last error (GetLastError) from errno:
// EEXIST ERROR_FILE_EXISTS, EACCES/EPERM/EROFS ERROR_ACCESS_DENIED,
// ENOSPC/EDQUOT/EFBIG ERROR_DISK_FULL, ENOENT ERROR_FILE_NOT_FOUND, ...

// Opens a file as Windows does, never waiting on a pipe: CREATE_NEW creates
// it exclusively and fails on anything of that name, a link (even one to
// nothing), a folder or a pipe included (O_CREAT | O_EXCL | O_NOFOLLOW);
// CREATE_ALWAYS creates or truncates; OPEN_EXISTING follows links. Access 0
// opens for queries only. A folder is never opened (ERROR_ACCESS_DENIED).
// The handle is closed with CloseHandle. Attributes and share modes are
// ignored. A template (a handle opened with GENERIC_READ, else
// ERROR_ACCESS_DENIED) gives a file CREATE_NEW makes its attributes: here its
// mode, which the file has before any byte is written in it; without one a
// new file gets 0666 less the umask.
HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
// FILE_TYPE_DISK for a regular file, FILE_TYPE_PIPE for a pipe or socket,
// FILE_TYPE_CHAR for a character device, else FILE_TYPE_UNKNOWN.
DWORD WINAPI GetFileType(HANDLE hFile);
// Synchronous only (lpOverlapped must be NULL).
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
// fsync(2).
BOOL WINAPI FlushFileBuffers(HANDLE hFile);
BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize);
BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove,
                             PLARGE_INTEGER lpNewFilePointer, DWORD dwMoveMethod);
// Cuts or extends the file at the file pointer.
BOOL WINAPI SetEndOfFile(HANDLE hFile);
// The attributes of the name itself (a link is not followed, as on Windows):
// FILE_ATTRIBUTE_REPARSE_POINT for a link, FILE_ATTRIBUTE_DIRECTORY for a
// folder, otherwise FILE_ATTRIBUTE_NORMAL, for a pipe, device or socket too,
// as Windows gives it for a named pipe or COM1; FILE_ATTRIBUTE_READONLY is added for a file no one
// may write (no write permission bit) or this process may not.
DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName);
// Removes a file or link, never a folder.
BOOL WINAPI DeleteFileA(LPCSTR lpFileName);
// Moves lpReplacementFileName over lpReplacedFileName in one step, giving it
// the replaced file's mode and, where the process may, its owner; the folder
// is flushed afterwards. A backup name is not supported (must be NULL); the
// replaced file must exist.
BOOL WINAPI ReplaceFileA(LPCSTR lpReplacedFileName, LPCSTR lpReplacementFileName,
                         LPCSTR lpBackupFileName, DWORD dwReplaceFlags, LPVOID lpExclude,
                         LPVOID lpReserved);
// The final path of an open file, links resolved (no "\\?\" prefix here).
// Returns its length, or the size needed when cchFilePath is too small, or 0.
DWORD WINAPI GetFinalPathNameByHandleA(HANDLE hFile, LPSTR lpszFilePath, DWORD cchFilePath,
                                       DWORD dwFlags);
typedef struct _BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
} BY_HANDLE_FILE_INFORMATION, *PBY_HANDLE_FILE_INFORMATION, *LPBY_HANDLE_FILE_INFORMATION;
// fstat(2) of an open file: its kind and size as GetFileAttributesExA gives
// them, its times, device and inode, and the count of its names (hard links).
BOOL WINAPI GetFileInformationByHandle(HANDLE hFile,
                                       LPBY_HANDLE_FILE_INFORMATION lpFileInformation);

typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *PWIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;
#define ERROR_NO_MORE_FILES 18L
// The names of a folder that match a pattern of "*" and "?" in the last part
// of lpFileName, with the attributes GetFileAttributesA gives each (a link is
// not followed). INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when none
// matches; FindNextFileA is FALSE with ERROR_NO_MORE_FILES after the last.
HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
BOOL WINAPI FindClose(HANDLE hFindFile);

#define PROCESS_QUERY_INFORMATION 0x0400
#define STILL_ACTIVE ((DWORD)0x00000103L)
#define ERROR_INVALID_PARAMETER 87L
// A handle of a running process (or of a process of another user, which
// may not be asked more); NULL with ERROR_INVALID_PARAMETER when no process
// has that id. GetExitCodeProcess gives STILL_ACTIVE while it runs, else 0.
// CloseHandle closes it.
HANDLE WINAPI OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId);
BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);

// "kernel32.dll" (any case) is this stand-in; other names give NULL.
HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
// The stand-in's own functions by name (dlsym); NULL for others.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);

#ifdef __cplusplus
}
#endif
