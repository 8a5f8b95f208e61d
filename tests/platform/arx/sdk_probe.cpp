// Holds the host stand-in's headers to the host SDK: values, types, linkage,
// layouts and which header declares what, as compile-time checks;
// acrxGetApiVersion, the application object and tolerant 2D points at run
// time. Three builds must fail to compile, as with the SDK: with QX_GS_TRAP
// it calls AcGsView members without gs.h (arxHeaders.h brings gs.h only under
// _AFXEXT); with QX_WINDOWS_TRAP it includes gs.h, with QX_DBX_TRAP
// dbxHeaders.h, before <windows.h>.
#ifdef QX_WINDOWS_TRAP
#include <gs.h>
#endif
#ifdef QX_DBX_TRAP
#include <dbxHeaders.h>
#endif
#include <windows.h>

#include <cstddef>
#include <type_traits>
#include <utility>

// Each header below declares the names checked after it (included alone,
// with what it includes itself).
#include <rxnames.h>
#ifdef ACRX_COMMAND_DOCK
#error ACRX_COMMAND_DOCK belongs to accmd.h
#endif
#include <accmd.h>
#include <acdb.h>
#include <dbid.h>
#include <getol.h>
static_assert(std::is_class_v<AcDb> && AcDb::kForWrite == 1 && sizeof(AcDbObjectId) > 0 &&
              sizeof(AcGeTol) > 0 && sizeof(ACRX_COMMAND_DOCK) > 0);
#include <gegbl.h>
#include <gepnt2d.h>
#include <gevec2d.h>
static_assert(sizeof(AcGeContext::gTol) > 0 && sizeof(AcGePoint2d) > 0 && sizeof(AcGeVector2d) > 0);

#include <arxHeaders.h>

extern "C" int acrxGetApiVersion();

#ifdef QX_GS_TRAP
double zoomed(AcGsView* view) {
    view->zoom(2.0);
    return view->fieldWidth();
}
#endif

// The SDK declares these with C linkage: a second declaration with C linkage
// and the same signature compiles only then.
extern "C" {
int acedDefun(const ACHAR*, short);
int acedRegFunc(int (*)(void), int);
int acedUndef(const ACHAR*, short);
int acedGetFunCode();
int acedGetVar(const ACHAR*, struct resbuf*);
int acedSSGet(const ACHAR*, const void*, const void*, const struct resbuf*, ads_name);
int acedSSLength(const ads_name, long*);
int acedSSName(const ads_name, long, ads_name);
int acedSSFree(const ads_name);
int acedRedraw(const ads_name, int);
int acutPrintf(const ACHAR*, ...);
AcRxDictionary* acrxSysRegistry();
}

// Names of the stand-in's old framework that the SDK does not have: each of
// these would clash with them.
using CommandEntry = void;
using LispFunctionEntry = void;
using CustomClassEntry = void;
using CommandTable = void;
extern int moduleCommandTable, gModuleInstance, kNoResourceId, theArxApp;

namespace {

template <class F, class G>
constexpr bool kSame = std::is_same_v<F, G>;

// Members the SDK does not have.
template <class T>
concept HasMakeClass = requires {
    T::makeClass;
};
template <class T>
concept HasViewportNumber = requires(T& v) {
    v.viewportNumber();
};
template <class T>
concept HasSize = requires(T& m) {
    m.size();
};
template <class T>
concept HasOpenedForRead = requires {
    T::eWasOpenedForRead;
};
static_assert(!HasMakeClass<AcRxClass> && !HasSize<AcApDataManager<int>> &&
              !HasOpenedForRead<Acad>);
static_assert(std::is_abstract_v<AcApDocManager> && std::is_abstract_v<AcApDocument> &&
              std::is_abstract_v<AcRxClass>);
static_assert(
    kSame<decltype(&AcApDocument::fileName), const ACHAR* (AcApDocument::*)() const> &&
    kSame<decltype(&AcApDocument::myLockMode), AcAp::DocLockMode (AcApDocument::*)() const> &&
    kSame<decltype(&AcRxClass::name), const ACHAR* (AcRxClass::*)() const> &&
    kSame<decltype(&AcRxClass::myParent), AcRxClass* (AcRxClass::*)() const> &&
    kSame<decltype(&AcRxClass::isDerivedFrom), bool (AcRxClass::*)(const AcRxClass*) const>);

// Types, structs holding enums, ACHAR macros.
static_assert(std::is_class_v<Adesk> && std::is_class_v<Acad> && std::is_class_v<AcRx> &&
              std::is_class_v<AcAp>);
static_assert(kSame<Adesk::Int8, char> && kSame<Adesk::Int16, short> &&
              kSame<Adesk::Boolean, int> && sizeof(Adesk::Int32) == 4);
static_assert(kSame<Adesk::uchar, unsigned char> && kSame<Adesk::ushort, unsigned short> &&
              kSame<Adesk::uint, unsigned int> && kSame<Adesk::ulong, unsigned long> &&
              sizeof(Adesk::IntDbId) > 0 && sizeof(Adesk::GsMarker) > 0 && Adesk::kFalse == 0 &&
              Adesk::kTrue == 1);
#ifdef _WIN32
static_assert(kSame<Adesk::Int32, long> && kSame<ads_name, __int64[2]> &&
              kSame<ads_namep, __int64*>);
#endif
#define QX_PROBE_TEXT "x"
static_assert(kSame<ACHAR, wchar_t> &&
              kSame<decltype(ACRX_T(QX_PROBE_TEXT)), const wchar_t (&)[2]> &&
              kSame<decltype(_RXST("x")), const wchar_t (&)[2]>);

static_assert(Acad::eOk == 0 && Acad::eNotImplementedYet == 1 && Acad::eNotApplicable == 2 &&
              Acad::eInvalidInput == 3 && Acad::eOutOfMemory == 6 && Acad::eInvalidOpenState == 8 &&
              Acad::eNullObjectPointer == 15 && Acad::eNullObjectId == 16 &&
              Acad::eNullEntityPointer == 20 && Acad::eIllegalEntityType == 21 &&
              Acad::eKeyNotFound == 22 && Acad::eDuplicateKey == 23 && Acad::eInvalidIndex == 24 &&
              Acad::eNotOpenForRead == 44 && Acad::eNotOpenForWrite == 45 &&
              Acad::eWasErased == 80 && Acad::eWasOpenForRead == 82 &&
              Acad::eWasOpenForWrite == 83 && Acad::eOnLockedLayer == 87 &&
              Acad::eNotInDatabase == 137 && Acad::eDegenerateGeometry == 153 &&
              Acad::eLockViolation == 320 && Acad::eNoDocument == 330);
#ifndef eNotImplemented
#error eNotImplemented is a macro alias in the SDK
#endif
static_assert(Acad::eNotImplemented == Acad::eNotImplementedYet);
static_assert(RTNORM == 5100 && RTERROR == -5001 && RTCAN == -5002 && RTSHORT == 5003);

static_assert(AcRx::kNullMsg == 0 && AcRx::kInitAppMsg == 1 && AcRx::kUnloadAppMsg == 2 &&
              AcRx::kLoadDwgMsg == 3 && AcRx::kUnloadDwgMsg == 4 && AcRx::kInvkSubrMsg == 5 &&
              AcRx::kCfgMsg == 6 && AcRx::kEndMsg == 7 && AcRx::kQuitMsg == 8 &&
              AcRx::kSaveMsg == 9 && AcRx::kDependencyMsg == 10 && AcRx::kNoDependencyMsg == 11 &&
              AcRx::kOleUnloadAppMsg == 12 && AcRx::kPreQuitMsg == 13 &&
              AcRx::kInitDialogMsg == 14 && AcRx::kEndDialogMsg == 15 && AcRx::kSuspendMsg == 16 &&
              AcRx::kInitTabGroupMsg == 17 && AcRx::kEndTabGroupMsg == 18);
static_assert(AcRx::kRetOK == 0 && AcRx::kRetError == 3 && AcRx::kLessThan == -1 &&
              AcRx::kEqual == 0 && AcRx::kGreaterThan == 1 && AcRx::kNotOrderable == 2);

static_assert(ACRX_CMD_MODAL == 0 && ACRX_CMD_TRANSPARENT == 1 && ACRX_CMD_USEPICKSET == 2 &&
              ACRX_CMD_REDRAW == 4 && ACRX_CMD_NOPERSPECTIVE == 8 && ACRX_CMD_NOMULTIPLE == 0x10 &&
              ACRX_CMD_NOTILEMODE == 0x20 && ACRX_CMD_NOPAPERSPACE == 0x40 &&
              ACRX_CMD_UNDEFINED == 0x200 && ACRX_CMD_SESSION == 0x00200000 &&
              ACRX_CMD_NO_UNDO_MARKER == 0x01000000);

// Results that are Adesk::Boolean, not bool; const and non-const access.
template <class T>
T& some();
static_assert(kSame<decltype(some<const AcRxObject>().isEqualTo(nullptr)), Adesk::Boolean> &&
              kSame<decltype(some<const AcDbObject>().isReadEnabled()), Adesk::Boolean> &&
              kSame<decltype(some<const AcDbObject>().isWriteEnabled()), Adesk::Boolean> &&
              kSame<decltype(some<const AcGeVector3d>().isZeroLength()), Adesk::Boolean> &&
              kSame<decltype(some<const AcGeVector3d>().isUnitLength()), Adesk::Boolean> &&
              kSame<decltype(acgsSetViewParameters(0, nullptr, false, false)), Adesk::Boolean>);
static_assert(kSame<decltype(&AcDbObject::assertWriteEnabled),
                    void (AcDbObject::*)(Adesk::Boolean, Adesk::Boolean)> &&
              kSame<decltype(some<AcDbObject>().assertWriteEnabled()), void>);
static_assert(
    kSame<decltype(some<const AcDbObjectPointer<AcDbLine>>().object()), const AcDbLine*> &&
    kSame<decltype(some<const AcDbObjectPointer<AcDbLine>>().operator->()), const AcDbLine*> &&
    kSame<decltype(some<AcDbObjectPointer<AcDbLine>>().object()), AcDbLine*>);
static_assert(!std::is_default_constructible_v<AcRxObject> &&
              !std::is_default_constructible_v<AcApDocManagerReactor> &&
              kSame<decltype(some<AcApDataManager<int>>().docData()), int&>);
static_assert(kSame<decltype(&acgsGetGsView), AcGsView* (*)(int, bool)>);

// Layouts of the result buffer.
static_assert(offsetof(resbuf, rbnext) == 0 && offsetof(resbuf, restype) == 8 &&
              offsetof(resbuf, resval) == 16 && sizeof(resbuf) == 40);
static_assert(kSame<decltype(ads_u_val::rlong), long> &&
              kSame<decltype(ads_u_val::rlname), Adesk::Int64[2]> &&
              kSame<decltype(ads_u_val::mnLongPtr), Adesk::Int64> &&
              kSame<decltype(ads_u_val::mnInt64), Adesk::Int64> &&
              kSame<decltype(ads_u_val::rbinary), ads_u_val::ads_binary> &&
              kSame<decltype(ads_u_val::ads_binary::buf), char*> &&
              kSame<decltype(ads_u_val::ihandle), unsigned char[8]>);

// The registration records: names, order and types of their fields, and
// nothing more.
constexpr _ARXCOMMAND_ENTRY kCommand = {.pszCmdGroupName = L"g",
                                        .pszCmdGlobalName = L"n",
                                        .pszCmdLocalName = L"l",
                                        .commandFlags = Adesk::Int32{1},
                                        .pCmdFct = AcRxFunctionPtr{},
                                        .pUIContext = static_cast<AcEdUIContext*>(nullptr),
                                        .localNameID = UINT{2}};
static_assert(kSame<decltype(_ADSSYMBOL_ENTRY::nameID), UINT> &&
              kSame<decltype(_ARXCOMMAND_ENTRY::localNameID), UINT>);
constexpr _ADSSYMBOL_ENTRY kSymbol = {
    .pszName = L"f", .fptr = static_cast<int (*)()>(nullptr), .bRegFunc = true, .nameID = UINT{3}};
constexpr _DBX_REGISTER_OBJECT_ENTRY kClass = {.desc = static_cast<AcRxClass* (*)()>(nullptr),
                                               .rxInit = static_cast<void (*)()>(nullptr),
                                               .bRegistered = false};
static_assert(sizeof(kCommand) == 56 && sizeof(kSymbol) == 24 && sizeof(kClass) == 24);

// The framework classes and what IMPLEMENT_ARX_ENTRYPOINT defines.
using Handler = AcRx::AppRetCode (AcRxDbxApp::*)(void*);
static_assert(kSame<decltype(&AcRxDbxApp::On_kInitAppMsg), Handler> &&
              kSame<decltype(&AcRxDbxApp::On_kNullMsg), Handler> &&
              kSame<decltype(&AcRxDbxApp::acrxEntryPoint),
                    AcRx::AppRetCode (AcRxDbxApp::*)(AcRx::AppMsgCode, void*)> &&
              kSame<decltype(&AcRxDbxApp::GetModuleInstance), HINSTANCE& (AcRxDbxApp::*)()>);
static_assert(std::is_abstract_v<AcRxArxApp> && std::is_base_of_v<AcRxDbxApp, AcRxArxApp> &&
              kSame<decltype(&acrxGetApp), AcRxDbxApp* (*)()> &&
              kSame<decltype(_hdllInstance), HINSTANCE> &&
              std::is_trivially_destructible_v<AcRxDbxApp>);  // declares no destructor
struct ProbeApp : AcRxArxApp {
    void RegisterServerComponents() override {}
    static_assert(kSame<decltype(m_hdllInstance), HINSTANCE> &&
                  kSame<decltype(m_bUnlocked), bool> && kSame<decltype(m_bMDIAware), bool>);
};

#ifdef _AFXEXT
// The view class is abstract and has no viewport number (the stand-in's view
// class in src overrides every member).
static_assert(std::is_abstract_v<AcGsView> && !HasViewportNumber<AcGsView> &&
              std::has_virtual_destructor_v<AcGsView> &&
              kSame<decltype(&AcGsView::zoom), void (AcGsView::*)(double)> &&
              AcGsView::kParallel == 0 && AcGsView::kPerspective == 1);
#endif

}  // namespace

// What IMPLEMENT_ARX_ENTRYPOINT defines, and a Lisp function's record.
struct ProbeEntryApp : AcRxArxApp {
    void RegisterServerComponents() override {}
    static int ads_probe() { return 0; }
};
IMPLEMENT_ARX_ENTRYPOINT(ProbeEntryApp)
ACED_ADSSYMBOL_ENTRY_AUTO(ProbeEntryApp, probe, false)
static_assert(kSame<decltype(entryPointObject), ProbeEntryApp>);

int main() {
    const bool namedLisp = __ADSSYMBOL_ENTRY_ProbeEntryApp_probe.nameID == static_cast<UINT>(-1);
    const bool tolerant = AcGePoint2d(1, 2) == AcGePoint2d(1 + 1e-11, 2) &&
                          AcGePoint2d(1, 2) != AcGePoint2d(1 + 1e-9, 2);
    return acrxGetApiVersion() == ((18 << 16) | 0) && acrxGetApp() == &entryPointObject &&
                   namedLisp && tolerant
               ? 0
               : 1;
}
