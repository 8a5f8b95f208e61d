// Core of the host-API stand-in: the types and operations of the host that
// the plug-in's application framework, commands, system-variable reads,
// command-line output and document handling use, under the host's own names
// and signatures. All of it belongs to the host's main thread, like the host
// it stands in for. The simulated world behind it is set up and read back
// through arx_control.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

// ---- Basic types ---------------------------------------------------------------
typedef wchar_t ACHAR;
#ifndef ACRX_T
#define ACRX_T(x) L##x
#endif
#ifndef _T
#define _T(x) L##x
#endif

namespace Adesk {
typedef std::int8_t Int8;
typedef std::int16_t Int16;
typedef std::int32_t Int32;
typedef std::int64_t Int64;
typedef std::uint8_t UInt8;
typedef std::uint16_t UInt16;
typedef std::uint32_t UInt32;
typedef std::uint64_t UInt64;
typedef std::int64_t IntPtr;
typedef std::uint64_t UIntPtr;
typedef std::int64_t LongPtr;
typedef std::uint64_t ULongPtr;
typedef bool Boolean;
constexpr Boolean kFalse = false;
constexpr Boolean kTrue = true;
}  // namespace Adesk

namespace Acad {
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
    eNotInDatabase = 80,
    eNotOpenForRead = 81,
    eNotOpenForWrite = 82,
    eWasErased = 85,
    eWasOpenedForRead = 92,
    eWasOpenedForWrite = 93,
    eDegenerateGeometry = 112,
    eOnLockedLayer = 155,
    eLockViolation = 330,
    eNoDocument = 331,
    eNotImplemented = 400,
};
}  // namespace Acad

// Result codes of the aced/acut family.
#define RTNONE 5000
#define RTREAL 5001
#define RTPOINT 5002
#define RTSHORT 5003
#define RTANG 5004
#define RTSTR 5005
#define RTENAME 5006
#define RTPICKS 5007
#define RTORINT 5008
#define RT3DPOINT 5009
#define RTLONG 5010
#define RTNORM 5100
#define RTERROR (-5001)
#define RTCAN (-5002)
#define RTREJ (-5003)
#define RTFAIL (-5004)
#define RTKWORD (-5005)

typedef double ads_real;
typedef ads_real ads_point[3];
typedef Adesk::Int64 ads_name[2];

struct ads_binary {
    short clen;
    char* buf;
};

union ads_u_val {
    ads_real rreal;
    ads_real rpoint[3];
    short rint;
    ACHAR* rstring;
    Adesk::Int64 rlname[2];
    Adesk::Int32 rlong;
    Adesk::Int64 mnInt64;
    struct ads_binary rbinary;
    unsigned char ihandle[8];
};

struct resbuf {
    struct resbuf* rbnext;
    short restype;
    union ads_u_val resval;
};

// ---- Runtime classes -----------------------------------------------------------
namespace AcRx {
enum AppMsgCode {
    kNullMsg = 0,
    kInitAppMsg = 1,
    kUnloadAppMsg = 2,
    kLoadDwgMsg = 3,
    kUnloadDwgMsg = 4,
    kInvkSubrMsg = 5,
    kCfgMsg = 6,
    kEndMsg = 7,
    kQuitMsg = 8,
    kSaveMsg = 9,
    kDependencyMsg = 10,
    kNoDependencyMsg = 11,
    kOleUnloadAppMsg = 12,
    kPreQuitMsg = 13,
    kInitDialogMsg = 14,
    kEndDialogMsg = 15,
    kSuspendMsg = 16,
};
enum AppRetCode {
    kRetOK = 0,
    kRetError = 3,
};
enum Ordering {
    kLessThan = -1,
    kEqual = 0,
    kGreaterThan = 1,
    kNotOrderable = 2,
};
}  // namespace AcRx

class AcRxClass;

// Root of every host object with a runtime class.
class AcRxObject {
public:
    AcRxObject() = default;
    virtual ~AcRxObject();
    static AcRxClass* desc();
    static AcRxObject* cast(const AcRxObject* inPtr) { return const_cast<AcRxObject*>(inPtr); }
    virtual AcRxClass* isA() const;
    virtual AcRxObject* clone() const;
    virtual Acad::ErrorStatus copyFrom(const AcRxObject* other);
    virtual bool isEqualTo(const AcRxObject* other) const;
    virtual AcRx::Ordering comparedTo(const AcRxObject* other) const;

    // True when this object's class is `aClass` or derived from it.
    bool isKindOf(const AcRxClass* aClass) const;

protected:
    AcRxObject(const AcRxObject&) = default;
    AcRxObject& operator=(const AcRxObject&) = default;
};

// Declares the runtime-class members of a host class (in the class body).
#define ACRX_DECLARE_MEMBERS(CLASS_NAME)                                             \
    static AcRxClass* desc();                                                        \
    static CLASS_NAME* cast(const AcRxObject* inPtr) {                               \
        return (inPtr == nullptr || !inPtr->isKindOf(CLASS_NAME::desc()))            \
                   ? nullptr                                                         \
                   : const_cast<CLASS_NAME*>(static_cast<const CLASS_NAME*>(inPtr)); \
    }                                                                                \
    AcRxClass* isA() const override

#define ACRX_WIDEN_NAME2(x) L##x
#define ACRX_WIDEN_NAME(x) ACRX_WIDEN_NAME2(x)

// Defines them (in one source file of the stand-in). The descriptor lives for
// the whole process.
#define ACRX_NO_CONS_DEFINE_MEMBERS(CLASS_NAME, PARENT_CLASS)                         \
    AcRxClass* CLASS_NAME::desc() {                                                   \
        static AcRxClass* const cls =                                                 \
            AcRxClass::makeClass(ACRX_WIDEN_NAME(#CLASS_NAME), PARENT_CLASS::desc()); \
        return cls;                                                                   \
    }                                                                                 \
    AcRxClass* CLASS_NAME::isA() const {                                              \
        return CLASS_NAME::desc();                                                    \
    }

// Runtime class descriptor: a name and a parent.
class AcRxClass : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxClass);
    const ACHAR* name() const { return mName; }
    AcRxClass* myParent() const { return mParent; }
    bool isDerivedFrom(const AcRxClass* other) const;

    // Stand-in: creates a descriptor that is never freed.
    static AcRxClass* makeClass(const ACHAR* name, AcRxClass* parent);

private:
    AcRxClass(const ACHAR* name, AcRxClass* parent) : mName(name), mParent(parent) {}
    const ACHAR* mName;
    AcRxClass* mParent;
};

// The host's system registry: objects by key.
class AcRxDictionary : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDictionary);
    // The object under `key`, or null.
    virtual AcRxObject* at(const ACHAR* key) const;
};

AcRxDictionary* acrxSysRegistry();

// Rebuilds the runtime class tree after classes were added.
void acrxBuildClassHierarchy();
// Removes a runtime class from the tree. The stand-in keeps the descriptor.
void deleteAcRxClass(AcRxClass* pClassObj);

#define ACRX_DYNAMIC_LINKER ACRX_T("DynamicLinker")
#define ACRX_COMMAND_DOCK ACRX_T("ACAD_REGISTERED_COMMANDS")

// The host's application loader.
class AcRxDynamicLinker : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDynamicLinker);
    // Lets the user unload the application `appId` (the data pointer of
    // kInitAppMsg).
    virtual bool unlockApplication(void* appId) const;
    // Declares the application able to work with several open drawings.
    virtual bool registerAppMDIAware(void* appId) const;
};
#define acrxDynamicLinker AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER))

// ---- Commands ----------------------------------------------------------------------
typedef void (*AcRxFunctionPtr)();
class AcEdUIContext;
class AcEdCommand;

namespace ACRX_CMD {
constexpr Adesk::Int32 kModal = 0x00000000;
constexpr Adesk::Int32 kTransparent = 0x00000001;
constexpr Adesk::Int32 kUsePickSet = 0x00000002;
constexpr Adesk::Int32 kRedraw = 0x00000004;
constexpr Adesk::Int32 kNoPaperSpace = 0x00000008;
constexpr Adesk::Int32 kNoTileMode = 0x00000020;
constexpr Adesk::Int32 kUndefined = 0x00000080;
constexpr Adesk::Int32 kNoUndoMarker = 0x00000400;
constexpr Adesk::Int32 kSession = 0x00200000;
}  // namespace ACRX_CMD

// The registered commands of the host, grouped.
class AcEdCommandStack : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcEdCommandStack);
    // Registers `cmdGlobalName` in `cmdGroupName`. eDuplicateKey when the
    // group already holds that name; eInvalidInput for a null name or function.
    virtual Acad::ErrorStatus addCommand(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName,
                                         const ACHAR* cmdLocalName, Adesk::Int32 commandFlags,
                                         AcRxFunctionPtr functionAddr,
                                         AcEdUIContext* UIContext = nullptr, int fcode = -1,
                                         HINSTANCE hResourceHandle = nullptr,
                                         AcEdCommand** cmdPtrRet = nullptr);
    // eKeyNotFound when the group has no such command.
    virtual Acad::ErrorStatus removeCmd(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName);
};
#define acedRegCmds AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK))

// ---- Lisp functions -----------------------------------------------------------------
// Each returns RTNORM; the stand-in only counts the calls.
int acedDefun(const ACHAR* sname, int funcno);
int acedRegFunc(int (*fhdl)(void), int fcode);
int acedUndef(const ACHAR* sname, int funcno);
// Number of the Lisp function being invoked (set through arx_control.h;
// RTERROR when none).
int acedGetFunCode();

// ---- Command line and system variables ------------------------------------------
// Prints printf-style wide text on the command line. Directives follow the C
// library's wide printf (%ls for wide text). Returns the number of characters.
int acutPrintf(const ACHAR* format, ...);

// Reads a system variable (name case-insensitive). "tilemode" and "cvport"
// give RTSHORT values with RTNORM. RTERROR without a current document,
// RTREJ for a name the stand-in does not know or a null argument.
int acedGetVar(const ACHAR* sym, struct resbuf* result);

// ---- Object ids ------------------------------------------------------------------
// Opaque identity of a database object; null when default-constructed.
class AcDbObjectId {
public:
    AcDbObjectId() = default;
    bool isNull() const { return mId == 0; }
    void setNull() { mId = 0; }
    Adesk::IntPtr asOldId() const { return mId; }
    AcDbObjectId& setFromOldId(Adesk::IntPtr oldId) {
        mId = oldId;
        return *this;
    }
    bool operator==(const AcDbObjectId& other) const { return mId == other.mId; }
    bool operator!=(const AcDbObjectId& other) const { return mId != other.mId; }
    bool operator<(const AcDbObjectId& other) const { return mId < other.mId; }

    static const AcDbObjectId kNull;

private:
    Adesk::IntPtr mId = 0;
};

// ---- Documents ---------------------------------------------------------------------
namespace AcAp {
enum DocLockMode {
    kNone = 0x00,
    kAutoWrite = 0x01,
    kNotLocked = 0x02,
    kWrite = 0x04,
    kProtectedAutoWrite = 0x14,
    kRead = 0x20,
    kXWrite = 0x40,
};
}  // namespace AcAp

// One open drawing.
class AcApDocument : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcApDocument);
    const ACHAR* fileName() const;
    AcAp::DocLockMode myLockMode() const;

    // Stand-in: documents are made by the document manager only.
    explicit AcApDocument(const ACHAR* fileName);
    ~AcApDocument() override;
    AcApDocument(const AcApDocument&) = delete;
    AcApDocument& operator=(const AcApDocument&) = delete;

private:
    friend class AcApDocManager;
    ACHAR mFileName[MAX_PATH];
};

// Notifications of the document manager. Every body is empty; a reactor
// overrides what it needs. Called on the host's main thread.
class AcApDocManagerReactor : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcApDocManagerReactor);
    virtual void documentCreateStarted(AcApDocument* pDocCreating);
    virtual void documentCreated(AcApDocument* pDocCreating);
    virtual void documentToBeDestroyed(AcApDocument* pDocToDestroy);
    virtual void documentDestroyed(const ACHAR* fileName);
    virtual void documentCreateCanceled(AcApDocument* pDocCreateCancelled);
    virtual void documentLockModeWillChange(AcApDocument*, AcAp::DocLockMode myCurrentMode,
                                            AcAp::DocLockMode myNewMode,
                                            AcAp::DocLockMode currentMode,
                                            const ACHAR* pGlobalCmdName);
    virtual void documentLockModeChangeVetoed(AcApDocument*, const ACHAR* pGlobalCmdName);
    virtual void documentLockModeChanged(AcApDocument*, AcAp::DocLockMode myPreviousMode,
                                         AcAp::DocLockMode myCurrentMode,
                                         AcAp::DocLockMode currentMode,
                                         const ACHAR* pGlobalCmdName);
    virtual void documentBecameCurrent(AcApDocument*);
    virtual void documentToBeActivated(AcApDocument* pActivatingDoc);
    virtual void documentToBeDeactivated(AcApDocument* pDeActivatedDoc);
    virtual void documentActivationModified(bool bActivation);
    virtual void documentActivated(AcApDocument* pActivatedDoc);
};

// The host's open drawings, their locks and their command lines.
class AcApDocManager : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcApDocManager);
    // The drawing the user works in, or null when none is open.
    virtual AcApDocument* curDocument() const;
    virtual AcApDocument* mdiActiveDocument() const;
    virtual int documentCount() const;

    // Locks `pDoc` (nested locks count). eNoDocument for a null or closed
    // document.
    virtual Acad::ErrorStatus lockDocument(AcApDocument* pDoc,
                                           AcAp::DocLockMode lockMode = AcAp::kWrite,
                                           const ACHAR* pGlobalCmdName = nullptr,
                                           const ACHAR* pLocalCmdName = nullptr,
                                           bool prompt = true);
    // Undoes one lock; eNotApplicable when `pDoc` is not locked.
    virtual Acad::ErrorStatus unlockDocument(AcApDocument* pDoc);

    // Queues `pszExecute` on the document's command line. eNoDocument for a
    // null or closed document, eInvalidInput for null text.
    virtual Acad::ErrorStatus sendStringToExecute(AcApDocument* pAcTargetDocument,
                                                  const ACHAR* pszExecute, bool bActivate = true,
                                                  bool bWrapUpInactiveDoc = false,
                                                  bool bEchoString = true);

    virtual void addReactor(AcApDocManagerReactor* pReactor);
    virtual void removeReactor(AcApDocManagerReactor* pReactor);
};

// The document manager, or null when the host has none (for instance while
// it shuts down).
AcApDocManager* acDocManagerPtr();
#define acDocManager acDocManagerPtr()
