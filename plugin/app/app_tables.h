// The module's three static tables (commands, Lisp functions, custom
// classes) and the walks over them that the application framework makes.
// A null slot is empty and skipped by every walk. Host's main thread only.
#pragma once

#include <cstdint>
#include <span>

#include <arxHeaders.h>

// Resource id of an entry whose local name is given in the entry itself.
inline constexpr uint32_t kNoResourceId = 0xFFFFFFFF;
// Buffer size for names loaded from the string resources.
inline constexpr int kResNameChars = 132;

struct CommandEntry {
    const ACHAR* groupName;
    const ACHAR* globalName;
    const ACHAR* localName;  // null: loaded from the string resources
    int32_t flags;
    AcRxFunctionPtr function;
    AcEdUIContext* contextMenu;
    uint32_t localNameResId;
};

struct LispFunctionEntry {
    const ACHAR* name;  // null: loaded from the string resources
    void (*function)();
    bool isRegFunc;
    uint32_t nameResId;
};

struct CustomClassEntry {
    AcRxClass* (*desc)();
    void (*init)();
    bool isRegistered;
};

using CommandTable = std::span<const CommandEntry* const>;
using LispFunctionTable = std::span<const LispFunctionEntry* const>;
using CustomClassTable = std::span<CustomClassEntry* const>;

// The tables of this module (defined with the application class).
CommandTable moduleCommandTable();
LispFunctionTable moduleLispFunctionTable();
CustomClassTable moduleCustomClassTable();

// Commands: addCommand / removeCmd on the host's command stack, in order.
void registerCommands(CommandTable table, HINSTANCE instance);
void removeCommands(CommandTable table);

// Lisp functions, numbered 0, 1, ... over the non-empty slots.
void defineLispFunctions(LispFunctionTable table, HINSTANCE instance);
void undefineLispFunctions(LispFunctionTable table, HINSTANCE instance);
void invokeLispFunction(LispFunctionTable table);

// Custom classes: returns the number initialised (and builds the class
// hierarchy once when there was any); unregistration takes derived classes
// before their parents.
int initCustomClasses(CustomClassTable table);
void unregisterCustomClasses(CustomClassTable table);
