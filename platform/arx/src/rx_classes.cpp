// Runtime classes, the system registry and the dynamic linker of the host.
#include <mutex>

#include "host_state.h"
#include "rx_members.h"

using arxsim::Call;
using arxsim::detail::host;

const AcDbObjectId AcDbObjectId::kNull;

// ---- AcRxObject ----------------------------------------------------------------
AcRxObject::~AcRxObject() = default;

AcRxClass* AcRxObject::desc() {
    static AcRxClass* const cls = arxsim::detail::makeRxClass(L"AcRxObject", nullptr);
    return cls;
}

AcRxClass* AcRxObject::isA() const {
    return AcRxObject::desc();
}

AcRxObject* AcRxObject::clone() const {
    return nullptr;
}

Acad::ErrorStatus AcRxObject::copyFrom(const AcRxObject*) {
    return Acad::eNotApplicable;
}

Adesk::Boolean AcRxObject::isEqualTo(const AcRxObject* other) const {
    return other == this;
}

AcRx::Ordering AcRxObject::comparedTo(const AcRxObject*) const {
    return AcRx::kNotOrderable;
}

bool AcRxObject::isKindOf(const AcRxClass* aClass) const {
    return isA()->isDerivedFrom(aClass);
}

// ---- AcRxClass -------------------------------------------------------------------
namespace {

// Every descriptor the stand-in makes is one of these.
class RxClassStandIn final : public AcRxClass {
public:
    RxClassStandIn(const ACHAR* name, AcRxClass* parent) : mName(name), mParent(parent) {}
    const ACHAR* name() const override { return mName; }
    AcRxClass* myParent() const override { return mParent; }
    bool isDerivedFrom(const AcRxClass* other) const override {
        for (const AcRxClass* c = this; c != nullptr; c = c->myParent()) {
            if (c == other) {
                return true;
            }
        }
        return false;
    }

private:
    const ACHAR* mName;
    AcRxClass* mParent;
};

}  // namespace

ACRX_NO_CONS_DEFINE_MEMBERS(AcRxClass, AcRxObject)

AcRxClass* arxsim::detail::makeRxClass(const ACHAR* name, AcRxClass* parent) {
    return new RxClassStandIn(name, parent);
}

void acrxBuildClassHierarchy() {
    std::lock_guard lock(host().mutex);
    arxsim::detail::chargeHostCallLocked();
    arxsim::detail::countCallLocked(Call::BuildClassHierarchy);
}

void deleteAcRxClass(AcRxClass*) {
    std::lock_guard lock(host().mutex);
    arxsim::detail::chargeHostCallLocked();
    arxsim::detail::countCallLocked(Call::DeleteAcRxClass);
}

// ---- Dynamic linker ----------------------------------------------------------------
ACRX_NO_CONS_DEFINE_MEMBERS(AcRxDynamicLinker, AcRxObject)

bool AcRxDynamicLinker::unlockApplication(void*) const {
    std::lock_guard lock(host().mutex);
    arxsim::detail::chargeHostCallLocked();
    arxsim::detail::countCallLocked(Call::UnlockApplication);
    return true;
}

bool AcRxDynamicLinker::registerAppMDIAware(void*) const {
    std::lock_guard lock(host().mutex);
    arxsim::detail::chargeHostCallLocked();
    arxsim::detail::countCallLocked(Call::RegisterAppMDIAware);
    return true;
}

// ---- System registry ---------------------------------------------------------------
ACRX_NO_CONS_DEFINE_MEMBERS(AcRxDictionary, AcRxObject)

AcRxObject* AcRxDictionary::at(const ACHAR* key) const {
    // The host's services live for the whole process.
    static AcRxDynamicLinker* const linker = new AcRxDynamicLinker;
    static AcEdCommandStack* const commands = new AcEdCommandStack;
    {
        std::lock_guard lock(host().mutex);
        arxsim::detail::chargeHostCallLocked();
    }
    if (key == nullptr) {
        return nullptr;
    }
    const std::wstring_view k(key);
    if (k == ACRX_DYNAMIC_LINKER) {
        return linker;
    }
    if (k == ACRX_COMMAND_DOCK) {
        return commands;
    }
    return nullptr;
}

AcRxDictionary* acrxSysRegistry() {
    static AcRxDictionary* const registry = new AcRxDictionary;
    return registry;
}
