// The API version query that the host's link library puts into every module:
// the host asks a module it loads which API version it was built against.

// (major << 16) | minor of the host API these headers describe. The SDK's
// headers export it from every module through a linker directive; GNU ld on
// Windows takes this attribute's directive instead, so that no .def file
// lists it.
#if defined(_WIN32)
extern "C" __declspec(dllexport) int acrxGetApiVersion() {
#else
extern "C" int acrxGetApiVersion() {
#endif
    return (18 << 16) | 0;
}
