// Small helpers over the window system that several features use: 8-bit
// text to and from the host's wide characters, asking the file system what a
// path is, and the error box the plug-in shows to the user.
#pragma once

#include <string>

#include <windows.h>

// 8-bit text (file contents, paths, messages) is in the ANSI code page; the
// host's API is wide only.
std::wstring widen(const std::string& text);
// Characters the ANSI code page lacks become a blank.
std::string narrow(const std::wstring& text);
// True for a plain file that exists.
bool fileExists(const std::string& path);
// True for a folder that exists.
bool folderExists(const std::string& path);
// Beeps and shows a message box; returns the box's result.
INT32 showErrorBox(HWND owner, const std::string& text, const std::string& caption, UINT type);
