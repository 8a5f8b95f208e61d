// Status codes of the host's database and application calls.
#pragma once

struct Acad {
    enum ErrorStatus {
        eOk = 0,
        eNotImplementedYet = 1,
        eNotApplicable = 2,
        eInvalidInput = 3,
        eOutOfMemory = 6,
        eInvalidOpenState = 8,
        eNullObjectPointer = 15,
        eNullObjectId = 16,
        eNullEntityPointer = 20,
        eIllegalEntityType = 21,
        eKeyNotFound = 22,
        eDuplicateKey = 23,
        eInvalidIndex = 24,
        eNotOpenForRead = 44,
        eNotOpenForWrite = 45,
        eWasErased = 80,
        eWasOpenForRead = 82,
        eWasOpenForWrite = 83,
        eOnLockedLayer = 87,
        eNotInDatabase = 137,
        eDegenerateGeometry = 153,
        eLockViolation = 320,
        eNoDocument = 330
    };
};

#define eNotImplemented eNotImplementedYet
