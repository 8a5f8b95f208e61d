// Walks over the module's static tables: command registration and removal,
// Lisp function definition and invocation, custom class registration.
#include "app_tables.h"

namespace {

// The host's command stack; it exists while the host runs.
AcEdCommandStack* commandStack() {
    return AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK));
}

// A name given in the entry, or the string resource `resId` loaded into
// `buffer` (an unknown id gives an empty name).
const ACHAR* entryName(const ACHAR* name, uint32_t resId, HINSTANCE instance,
                       ACHAR (&buffer)[kResNameChars]) {
    if (name != nullptr) {
        return name;
    }
    buffer[0] = 0;
    LoadStringW(instance, resId, buffer, kResNameChars);
    return buffer;
}

void unregisterCustomClass(CustomClassTable table, CustomClassEntry& entry) {
    AcRxClass* cls = entry.desc();
    for (CustomClassEntry* other : table) {
        if (other != nullptr && other != &entry && other->isRegistered &&
            other->desc()->myParent() == cls) {
            unregisterCustomClass(table, *other);
        }
    }
    deleteAcRxClass(cls);
    entry.isRegistered = false;
}

}  // namespace

void registerCommands(CommandTable table, HINSTANCE instance) {
    for (const CommandEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        ACHAR buffer[kResNameChars];
        const ACHAR* localName =
            entryName(entry->localName, entry->localNameResId, instance, buffer);
        const HINSTANCE resources = (entry->flags & ACRX_CMD::kSession) ? nullptr : instance;
        AcEdCommandStack* stack = commandStack();
        if (stack != nullptr) {
            stack->addCommand(entry->groupName, entry->globalName, localName, entry->flags,
                              entry->function, entry->contextMenu, -1, resources, nullptr);
        }
    }
}

void removeCommands(CommandTable table) {
    for (const CommandEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        AcEdCommandStack* stack = commandStack();
        if (stack != nullptr) {
            stack->removeCmd(entry->groupName, entry->globalName);
        }
    }
}

void defineLispFunctions(LispFunctionTable table, HINSTANCE instance) {
    int number = 0;
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

void undefineLispFunctions(LispFunctionTable table, HINSTANCE instance) {
    int number = 0;
    for (const LispFunctionEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        ACHAR buffer[kResNameChars];
        acedUndef(entryName(entry->name, entry->nameResId, instance, buffer), number);
        ++number;
    }
}

void invokeLispFunction(LispFunctionTable table) {
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

int initCustomClasses(CustomClassTable table) {
    int count = 0;
    for (CustomClassEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        entry->init();
        entry->isRegistered = true;
        ++count;
    }
    if (count >= 1) {
        acrxBuildClassHierarchy();
    }
    return count;
}

void unregisterCustomClasses(CustomClassTable table) {
    for (CustomClassEntry* entry : table) {
        if (entry != nullptr && entry->isRegistered) {
            unregisterCustomClass(table, *entry);
        }
    }
}
