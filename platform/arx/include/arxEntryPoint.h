// The editor layer of the application framework: AcRxArxApp registers the
// module's commands at initialisation and removes them at unload, and
// defines, undefines and invokes its Lisp functions. Compiled into the
// module; host's main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "accmd.h"
#include "acedads.h"
#include "dbxEntryPoint.h"

// ---- The module's tables ------------------------------------------------------
// Resource id of an entry whose name is given in the entry itself.
inline constexpr std::uint32_t kNoResourceId = 0xFFFFFFFF;
// Buffer size for names loaded from the string resources.
inline constexpr int kResNameChars = 132;

struct CommandEntry {
    const ACHAR* groupName;
    const ACHAR* globalName;
    const ACHAR* localName;  // null: loaded from the string resources
    std::int32_t flags;
    AcRxFunctionPtr function;
    AcEdUIContext* contextMenu;
    std::uint32_t localNameResId;
};

struct LispFunctionEntry {
    const ACHAR* name;  // null: loaded from the string resources
    void (*function)();
    bool isRegFunc;
    std::uint32_t nameResId;
};

using CommandTable = std::span<const CommandEntry* const>;
using LispFunctionTable = std::span<const LispFunctionEntry* const>;

// Supplied by the module: its command and Lisp function tables.
CommandTable moduleCommandTable();
LispFunctionTable moduleLispFunctionTable();

// A name given in the entry, or the string resource `resId` loaded into
// `buffer` (an unknown id gives an empty name).
inline const ACHAR* entryName(const ACHAR* name, std::uint32_t resId, HINSTANCE instance,
                              ACHAR (&buffer)[kResNameChars]) {
    if (name != nullptr) {
        return name;
    }
    buffer[0] = 0;
    LoadStringW(instance, resId, buffer, kResNameChars);
    return buffer;
}

// addCommand for every entry, in order; session commands carry no resources.
inline void registerCommands(CommandTable table, HINSTANCE instance) {
    for (const CommandEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        ACHAR buffer[kResNameChars];
        const ACHAR* localName =
            entryName(entry->localName, entry->localNameResId, instance, buffer);
        const HINSTANCE resources = (entry->flags & ACRX_CMD_SESSION) ? nullptr : instance;
        if (AcEdCommandStack* stack = acedRegCmds) {
            stack->addCommand(entry->groupName, entry->globalName, localName, entry->flags,
                              entry->function, entry->contextMenu, -1, resources, nullptr);
        }
    }
}

// removeCmd for every entry, in order.
inline void removeCommands(CommandTable table) {
    for (const CommandEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        if (AcEdCommandStack* stack = acedRegCmds) {
            stack->removeCmd(entry->groupName, entry->globalName);
        }
    }
}

// Lisp functions are numbered 0, 1, ... over the non-empty slots.
inline void defineLispFunctions(LispFunctionTable table, HINSTANCE instance) {
    short number = 0;
    for (const LispFunctionEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        ACHAR buffer[kResNameChars];
        acedDefun(entryName(entry->name, entry->nameResId, instance, buffer), number);
        if (entry->isRegFunc) {
            // The host calls registered functions without arguments and
            // ignores what they return.
            acedRegFunc(reinterpret_cast<int (*)()>(entry->function), number);
        }
        ++number;
    }
}

inline void undefineLispFunctions(LispFunctionTable table, HINSTANCE instance) {
    short number = 0;
    for (const LispFunctionEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        ACHAR buffer[kResNameChars];
        acedUndef(entryName(entry->name, entry->nameResId, instance, buffer), number);
        ++number;
    }
}

// Calls the function whose number the host says is being invoked, if any.
inline void invokeLispFunction(LispFunctionTable table) {
    const int code = acedGetFunCode();
    int number = 0;
    for (const LispFunctionEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        if (number == code) {
            entry->function();
            return;
        }
        ++number;
    }
}

// ---- The application class ----------------------------------------------------
class AcRxArxApp : public AcRxDbxApp {
public:
    constexpr AcRxArxApp() = default;

    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override {
        const AcRx::AppRetCode result = AcRxDbxApp::On_kInitAppMsg(pkt);
        registerCommands(moduleCommandTable(), mHdllInstance);
        return result;
    }
    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) override {
        const AcRx::AppRetCode result = AcRxDbxApp::On_kUnloadAppMsg(pkt);
        removeCommands(moduleCommandTable());
        return result;
    }
    AcRx::AppRetCode On_kLoadDwgMsg(void*) override {
        defineLispFunctions(moduleLispFunctionTable(), mHdllInstance);
        return AcRx::kRetOK;
    }
    AcRx::AppRetCode On_kUnloadDwgMsg(void*) override {
        undefineLispFunctions(moduleLispFunctionTable(), mHdllInstance);
        return AcRx::kRetOK;
    }
    AcRx::AppRetCode On_kInvkSubrMsg(void*) override {
        invokeLispFunction(moduleLispFunctionTable());
        return AcRx::kRetOK;
    }
    void RegisterServerComponents() override = 0;

protected:
    ~AcRxArxApp() = default;
};
