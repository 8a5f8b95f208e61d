// Holds the host stand-in's headers to the host SDK: values, types and
// signatures as compile-time checks, acrxGetApiVersion at run time. Built
// with QX_GS_TRAP it calls AcGsView members; that must compile only where
// gs.h is included, as with the SDK (arxHeaders.h brings gs.h only under
// _AFXEXT).
#include <arxHeaders.h>

#include <type_traits>

extern "C" int acrxGetApiVersion();

#ifdef QX_GS_TRAP
double zoomed(AcGsView* view) {
    view->zoom(2.0);
    return view->fieldWidth();
}
#endif

// A name that the SDK does not have can be declared here without a clash.
namespace Acad {
constexpr int eWasOpenedForRead = -1;
constexpr int eWasOpenedForWrite = -1;
}  // namespace Acad

namespace {

template <class F, class G>
constexpr bool kSame = std::is_same_v<F, G>;

static_assert(std::is_class_v<Adesk>);
static_assert(kSame<Adesk::Int16, short> && kSame<Adesk::Boolean, int>);
#ifdef _WIN32
static_assert(kSame<Adesk::Int32, long>);
#endif
static_assert(sizeof(Adesk::Int32) == 4);
static_assert(kSame<ACHAR, wchar_t> && kSame<decltype(ACRX_T("x")), const wchar_t (&)[2]>);

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
static_assert(AcRx::kInitAppMsg == 1 && AcRx::kUnloadAppMsg == 2 && AcRx::kLoadDwgMsg == 3 &&
              AcRx::kRetOK == 0 && AcRx::kRetError == 3);

static_assert(ACRX_CMD_MODAL == 0 && ACRX_CMD_TRANSPARENT == 1 && ACRX_CMD_USEPICKSET == 2 &&
              ACRX_CMD_REDRAW == 4 && ACRX_CMD_NOPERSPECTIVE == 8 && ACRX_CMD_NOMULTIPLE == 0x10 &&
              ACRX_CMD_NOTILEMODE == 0x20 && ACRX_CMD_NOPAPERSPACE == 0x40 &&
              ACRX_CMD_UNDEFINED == 0x200 && ACRX_CMD_SESSION == 0x00200000 &&
              ACRX_CMD_NO_UNDO_MARKER == 0x01000000);

static_assert(kSame<decltype(&acedDefun), int (*)(const ACHAR*, short)>);
static_assert(kSame<decltype(&acedUndef), int (*)(const ACHAR*, short)>);
static_assert(kSame<decltype(&acedSSLength), int (*)(const ads_name, long*)>);
static_assert(kSame<decltype(&acedSSName), int (*)(const ads_name, long, ads_name)>);
static_assert(kSame<decltype(&acedSSGet), int (*)(const ACHAR*, const void*, const void*,
                                                  const struct resbuf*, ads_name)>);
static_assert(kSame<decltype(&acedSSFree), int (*)(const ads_name)>);
static_assert(kSame<decltype(&acedGetVar), int (*)(const ACHAR*, struct resbuf*)>);
static_assert(kSame<decltype(&acedRedraw), int (*)(const ads_name, int)>);
static_assert(kSame<decltype(&acutPrintf), int (*)(const ACHAR*, ...)>);
static_assert(kSame<decltype(&acgsGetGsView), AcGsView* (*)(int, bool)>);
static_assert(kSame<decltype(acgsSetViewParameters(0, nullptr, false, false)), Adesk::Boolean>);

// The framework classes come with the headers.
static_assert(std::is_base_of_v<AcRxDbxApp, AcRxArxApp>);
static_assert(std::is_base_of_v<AcApDocManagerReactor, AcApDataManager<int>>);

}  // namespace

int main() {
    return acrxGetApiVersion() == ((18 << 16) | 0) ? 0 : 1;
}
