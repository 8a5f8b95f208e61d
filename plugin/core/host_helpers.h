// Small helpers over the window system that several features use: widening
// 8-bit text for the host's wide-character calls, asking the file system
// what a path is, and the error box the plug-in shows to the user.
#pragma once

#include <string>

#include <windows.h>

// Each 8-bit character widened on its own (no code page conversion).
std::wstring widen(const std::string& text);
// True for a plain file that exists.
bool fileExists(const std::string& path);
// True for a folder that exists.
bool folderExists(const std::string& path);
// Beeps and shows a message box; returns the box's result.
INT32 showErrorBox(HWND owner, const std::string& text, const std::string& caption, UINT type);
