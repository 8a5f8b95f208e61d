// The API version query that the host's link library puts into every module:
// the host asks a module it loads which API version it was built against.

// (major << 16) | minor of the host API these headers describe.
extern "C" int acrxGetApiVersion() {
    return (18 << 16) | 0;
}
