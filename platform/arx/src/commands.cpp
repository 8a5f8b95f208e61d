// The host's command stack and Lisp function registration, and running a
// registered command as the user would.
#include <algorithm>
#include <mutex>

#include "host_state.h"
#include "rx_members.h"
#include "transcript.h"

using arxsim::Call;
using arxsim::CommandInfo;
using arxsim::detail::host;
using arxsim::detail::HostState;
using arxsim::detail::sameName;
using arxsim::detail::toUtf8;

namespace {

void emitCommand(std::string_view ev, const CommandInfo& cmd) {
    transcript::emit(
        ev,
        transcript::Fields().str("group", toUtf8(cmd.group)).str("name", toUtf8(cmd.globalName)));
}

std::vector<CommandInfo>::iterator findLocked(HostState& h, std::wstring_view group,
                                              std::wstring_view globalName) {
    return std::find_if(h.commands.begin(), h.commands.end(), [&](const CommandInfo& c) {
        return sameName(c.group, group) && sameName(c.globalName, globalName);
    });
}

}  // namespace

ACRX_NO_CONS_DEFINE_MEMBERS(AcEdCommandStack, AcRxObject)

Acad::ErrorStatus AcEdCommandStack::addCommand(const ACHAR* cmdGroupName,
                                               const ACHAR* cmdGlobalName,
                                               const ACHAR* cmdLocalName, Adesk::Int32 commandFlags,
                                               AcRxFunctionPtr functionAddr, AcEdUIContext*,
                                               int fcode, HINSTANCE hResourceHandle,
                                               AcEdCommand** cmdPtrRet) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    if (cmdPtrRet != nullptr) {
        *cmdPtrRet = nullptr;  // the stand-in has no command objects to hand out
    }
    if (cmdGroupName == nullptr || cmdGlobalName == nullptr || functionAddr == nullptr) {
        return Acad::eInvalidInput;
    }
    if (findLocked(h, cmdGroupName, cmdGlobalName) != h.commands.end()) {
        return Acad::eDuplicateKey;
    }
    CommandInfo cmd;
    cmd.group = cmdGroupName;
    cmd.globalName = cmdGlobalName;
    cmd.localName = cmdLocalName != nullptr ? cmdLocalName : cmdGlobalName;
    cmd.flags = commandFlags;
    cmd.function = functionAddr;
    cmd.fcode = fcode;
    cmd.resource = hResourceHandle;
    h.commands.push_back(cmd);
    emitCommand("command_added", cmd);
    return Acad::eOk;
}

Acad::ErrorStatus AcEdCommandStack::removeCmd(const ACHAR* cmdGroupName,
                                              const ACHAR* cmdGlobalName) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    arxsim::detail::throwIfArmedLocked(arxsim::Throwing::RemoveCommand);
    if (cmdGroupName == nullptr || cmdGlobalName == nullptr) {
        return Acad::eInvalidInput;
    }
    const auto it = findLocked(h, cmdGroupName, cmdGlobalName);
    if (it == h.commands.end()) {
        return Acad::eKeyNotFound;
    }
    const CommandInfo cmd = *it;
    h.commands.erase(it);
    emitCommand("command_removed", cmd);
    return Acad::eOk;
}

namespace {

int countedLisp(Call call) {
    std::lock_guard lock(host().mutex);
    arxsim::detail::chargeHostCallLocked();
    arxsim::detail::countCallLocked(call);
    return RTNORM;
}

}  // namespace

int acedDefun(const ACHAR*, short) {
    return countedLisp(Call::Defun);
}

int acedRegFunc(int (*)(void), int) {
    return countedLisp(Call::RegFunc);
}

int acedUndef(const ACHAR*, short) {
    return countedLisp(Call::Undef);
}

int acedGetFunCode() {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    arxsim::detail::countCallLocked(Call::GetFunCode);
    return h.funCode;
}

namespace arxsim {

std::vector<CommandInfo> commands() {
    std::lock_guard lock(detail::host().mutex);
    return detail::host().commands;
}

bool runCommand(std::wstring_view name) {
    AcRxFunctionPtr function = nullptr;
    {
        HostState& h = detail::host();
        std::lock_guard lock(h.mutex);
        for (const CommandInfo& c : h.commands) {
            if (sameName(c.globalName, name) || sameName(c.localName, name)) {
                function = c.function;
                break;
            }
        }
    }
    if (function == nullptr) {
        return false;
    }
    // The command may call the host again: the state is not locked here.
    function();
    return true;
}

bool runCommand(std::string_view name) {
    return runCommand(detail::widen(name));
}

void setFunCode(int code) {
    std::lock_guard lock(detail::host().mutex);
    detail::host().funCode = code;
}

}  // namespace arxsim
