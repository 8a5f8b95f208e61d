// The codes the device link and the navigation share: the driver daemon's
// event codes, the rotation mode it reports, the navigation modes and the
// limits of one zoom step. Every other file names these values from here.
#pragma once

#include <cstdint>

// Daemon event codes (non-negative; negative codes are motion events).
inline constexpr int32_t kEvRotSettings1 = 0x20001;  // fetch the rotation settings again
inline constexpr int32_t kEvRotSettings2 = 0x20002;
inline constexpr int32_t kEvViewFront = 0x20009;
inline constexpr int32_t kEvViewRight = 0x2000A;
inline constexpr int32_t kEvViewTop = 0x2000B;
inline constexpr int32_t kEvZoomAll = 0x2000C;
inline constexpr int32_t kEvSendModeAgain = 0x20013;
inline constexpr int32_t kEvViewBack = 0x20016;
inline constexpr int32_t kEvViewLeft = 0x20017;
inline constexpr int32_t kEvViewBottom = 0x20018;
// Special functions: two closed ranges of codes.
inline constexpr int32_t kEvSpecialFirst = kEvViewFront;  // front, right, top, zoom all
inline constexpr int32_t kEvSpecialLast = kEvZoomAll;
inline constexpr int32_t kEvSpecial2First = kEvViewBack;  // back, left, bottom
inline constexpr int32_t kEvSpecial2Last = kEvViewBottom;
// This code and above: application function (code - APPL_FUNC_START).
inline constexpr int32_t APPL_FUNC_START = 0x20020;

// The daemon's rotation code is read as decimal digits: the units digit is
// the rotation mode, a tens digit of 1 or more sets the no-roll flag and a
// hundreds digit of 1 or more the level flag.
inline constexpr int32_t kRotCodeTens = 10;
inline constexpr int32_t kRotCodeHundreds = 100;
// Units digit 4: camera mode with level movement (decoded as
// kRotModeCamera with the level flag; never stored as a mode).
inline constexpr int32_t kRotCodeCameraLevel = 4;

// Rotation modes (the units digit): the centre when no selection applies,
// and whether motion is turned round. Every other digit (1 among them)
// turns about the world origin, as the camera mode does in a parallel view.
inline constexpr int32_t kRotModeTarget = 0;  // about the view's target
// Turned round, about the camera in a perspective view, else the world origin.
inline constexpr int32_t kRotModeCamera = 2;
inline constexpr int32_t kRotModeInvertedTarget = 3;  // turned round, about the target

// Navigation modes (mNavMode).
inline constexpr int32_t kNavModeNone = 0;  // before the first pass
inline constexpr int32_t kNavMode2D = 1;    // a layout's paper space
inline constexpr int32_t kNavMode3D = 2;    // the Model tab or a model-space viewport

// Limits of the factor of one zoom step, in 2D and 3D alike.
inline constexpr double kZoomStepMinFactor = 0.8;
inline constexpr double kZoomStepMaxFactor = 1.2;

// The device's keys by the names scenarios and qxsim's live page give them.
// An application key is named by its number from 1: "menu1" is the code
// APPL_FUNC_START, the first macro of the menu file.
struct DeviceKeyName {
    const char* name;
    int code;
};
const DeviceKeyName kDeviceKeyNames[] = {
    {"front", kEvViewFront},   {"right", kEvViewRight}, {"top", kEvViewTop},
    {"zoomall", kEvZoomAll},   {"back", kEvViewBack},   {"left", kEvViewLeft},
    {"bottom", kEvViewBottom},
};
const char* const kMenuKeyPrefix = "menu";
