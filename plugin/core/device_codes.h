// The codes the device link and the navigation share: the driver daemon's
// event codes, the rotation mode it reports, the navigation modes and the
// limits of one zoom step. Every other file names these values from here.
#pragma once

#include <windows.h>

// Daemon event codes (non-negative; negative codes are motion events).
const INT32 kEvRotSettings1 = 0x20001;  // fetch the rotation settings again
const INT32 kEvRotSettings2 = 0x20002;
const INT32 kEvViewFront = 0x20009;
const INT32 kEvViewRight = 0x2000A;
const INT32 kEvViewTop = 0x2000B;
const INT32 kEvZoomAll = 0x2000C;
const INT32 kEvSendModeAgain = 0x20013;
const INT32 kEvViewBack = 0x20016;
const INT32 kEvViewLeft = 0x20017;
const INT32 kEvViewBottom = 0x20018;
// Special functions: two closed ranges of codes.
const INT32 kEvSpecialFirst = kEvViewFront;  // front, right, top, zoom all
const INT32 kEvSpecialLast = kEvZoomAll;
const INT32 kEvSpecial2First = kEvViewBack;  // back, left, bottom
const INT32 kEvSpecial2Last = kEvViewBottom;
// This code and above: application function (code - APPL_FUNC_START).
const INT32 APPL_FUNC_START = 0x20020;

// The daemon's rotation code is read as decimal digits: the units digit is
// the rotation mode, a tens digit of 1 or more sets the no-roll flag and a
// hundreds digit of 1 or more the level flag.
const INT32 kRotCodeTens = 10;
const INT32 kRotCodeHundreds = 100;
// Units digit 4: camera mode with level movement (decoded as
// kRotModeCamera with the level flag; never stored as a mode).
const INT32 kRotCodeCameraLevel = 4;

// Rotation modes (the units digit): the centre when no selection applies,
// and whether motion is turned round. Every other digit (1 among them)
// turns about the world origin, as the camera mode does in a parallel view.
const INT32 kRotModeTarget = 0;  // about the view's target
// Turned round, about the camera in a perspective view, else the world origin.
const INT32 kRotModeCamera = 2;
const INT32 kRotModeInvertedTarget = 3;  // turned round, about the target

// Navigation modes (mNavMode).
const INT32 kNavModeNone = 0;  // before the first pass
const INT32 kNavMode2D = 1;    // a layout's paper space
const INT32 kNavMode3D = 2;    // the Model tab or a model-space viewport

// Limits of the factor of one zoom step, in 2D and 3D alike.
const double kZoomStepMinFactor = 0.8;
const double kZoomStepMaxFactor = 1.2;

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
