// A tiny shared object that the tests copy into folders of their choice and
// load, so that an address inside it can stand for the module's instance
// handle there.
extern "C" __attribute__((visibility("default"))) int qxKeysProbe() {
    return 42;
}
