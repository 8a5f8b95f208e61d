// Enumerations of the drawing database.
#pragma once

struct AcDb {
    enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };
};
