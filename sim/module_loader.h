// The platform's dynamic loader as ModuleSession uses it: dlopen on POSIX
// (module_loader.cpp), LoadLibrary on Windows (win/module_loader_win.cpp).
// Main (host) thread only.
#pragma once

#include <string>

namespace qxsim::loader {

using EntryPoint = int (*)(int, void*);

// Opens the module at `path` and finds its acrxEntryPoint. On failure returns
// null with a message naming the path and the loader's text.
void* open(const std::string& path, EntryPoint& entryPoint, std::string& error);

// Closes the module. Returns false with a warning when the loader kept it in
// memory (its statics would then survive into the next load).
bool close(void* handle, const std::string& path, std::string& warning);

}  // namespace qxsim::loader
