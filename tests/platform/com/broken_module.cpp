// A shared library that is not an in-process module: it has no DllGetClassObject.
extern "C" __attribute__((visibility("default"))) int BrokenModuleMarker() { return 1; }
