// POSIX stand-in for the subset of <windows.h> the plug-in uses: the same type
// names, constants and signatures as the 64-bit Windows headers, so the
// plug-in compiles unchanged against either. Time, timers and waits run on the
// clock of win32_control.h. Callable from any thread unless noted.
#pragma once

#include <stddef.h>
#include <stdint.h>

// ---- Basic types (64-bit Windows ABI) --------------------------------------
typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int64_t LONG_PTR;
typedef uint64_t ULONG_PTR;
typedef int64_t INT_PTR;
typedef uint64_t UINT_PTR;
typedef uint64_t DWORD_PTR;
typedef size_t SIZE_T;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef void* LPVOID;
typedef void* PVOID;
typedef DWORD* LPDWORD;
typedef BOOL* LPBOOL;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void* HANDLE;
// Fixed-width integers of <basetsd.h>.
typedef int16_t INT16;
typedef uint16_t UINT16;
typedef int32_t INT32;
typedef uint32_t UINT32;
typedef int64_t INT64;
typedef uint64_t UINT64;

// Typed handles, as with STRICT: distinct pointer types that do not convert.
#define DECLARE_HANDLE(name) \
    struct name##__ {        \
        int unused;          \
    };                       \
    typedef struct name##__* name
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HINSTANCE);
typedef HINSTANCE HMODULE;

#define WINAPI
#define CALLBACK
#define APIENTRY

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFF

#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)

#define WM_TIMER 0x0113
#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;

typedef struct tagSCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
} SCROLLINFO, *LPSCROLLINFO;
typedef const SCROLLINFO* LPCSCROLLINFO;

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;

// The OLE variant (<oaidl.h>), declared only: nothing here uses its fields.
typedef struct tagVARIANT VARIANT;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

typedef enum _GET_FILEEX_INFO_LEVELS {
    GetFileExInfoStandard,
    GetFileExMaxInfoLevel
} GET_FILEEX_INFO_LEVELS;

typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA, *LPWIN32_FILE_ATTRIBUTE_DATA;

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#define FILE_ATTRIBUTE_NORMAL 0x00000080

#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_NAME 123L

#ifdef __cplusplus
extern "C" {
#endif

// ---- Time ------------------------------------------------------------------
// Milliseconds on the stand-in clock, wrapping at 2^32.
DWORD WINAPI GetTickCount(void);
// On a plug-in thread: waits until the clock has moved on by `dwMilliseconds`.
// On the host thread: moves the clock on (virtual time) or really waits.
void WINAPI Sleep(DWORD dwMilliseconds);
// The real UTC time (not the stand-in clock) in 100 ns units since 1601-01-01.
void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);

// ---- Thread timers ---------------------------------------------------------
// Only timers without a window are supported (hWnd must be NULL; otherwise the
// call fails with 0). A timer fires every uElapse ms (at least
// USER_TIMER_MINIMUM) on the arming thread's message loop until killed.
// nIDEvent 0, or one that names no timer of this thread, gives a new id.
UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// ---- String resources ------------------------------------------------------
// Copies string `uID` of the module's string table into lpBuffer (at most
// cchBufferMax - 1 characters and a terminating zero) and returns the count of
// characters copied; an unknown id gives 0 and an empty buffer. With
// cchBufferMax 0, *lpBuffer receives a read-only pointer to the text.
int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
// Only the wide version exists here, so a program that uses the generic
// name must be built with UNICODE.
#ifdef UNICODE
#define LoadString LoadStringW
#endif

// ---- Events ----------------------------------------------------------------
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                           BOOL bInitialState, LPCWSTR lpName);
BOOL WINAPI SetEvent(HANDLE hEvent);
BOOL WINAPI ResetEvent(HANDLE hEvent);
// Waits for an event object; dwMilliseconds may be INFINITE. Returns
// WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (not an event).
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
BOOL WINAPI CloseHandle(HANDLE hObject);

// ---- Process and thread ----------------------------------------------------
DWORD WINAPI GetCurrentThreadId(void);
DWORD WINAPI GetCurrentProcessId(void);
// The calling thread's last error; set by the file functions below only.
DWORD WINAPI GetLastError(void);

// ---- Files -----------------------------------------------------------------
// Attributes, size and write time of a file or folder (links followed):
// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_NORMAL for anything
// else, a pipe, a device or a socket included (as Windows, which sets
// FILE_ATTRIBUTE_DEVICE for neither a named pipe nor COM1). FALSE with GetLastError
// ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when there is nothing at the path.
BOOL WINAPI GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                 LPVOID lpFileInformation);

#ifdef __cplusplus
}
#endif

// ---- Interlocked variables -------------------------------------------------
// Atomic read-modify-write of a 32-bit value shared between threads, each a
// full barrier as on Windows; built on the compiler's atomics, which the
// thread sanitizer understands. A plain read of the value is not atomic: read
// it with InterlockedCompareExchange(&value, 0, 0).
static __inline LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
static __inline LONG InterlockedCompareExchange(LONG volatile* Destination, LONG ExChange,
                                                LONG Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, ExChange, 0, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}

#include "win32_desktop_api.h"
