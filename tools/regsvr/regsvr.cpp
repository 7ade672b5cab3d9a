// Registers an in-process module (DllRegisterServer) or removes its registration
// (DllUnregisterServer, with -u). Exit code 0 only when the export succeeded.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/com/com_runtime.h"
#include "platform/com/hresult.h"

namespace {

constexpr int kSucceeded = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Usage() {
    std::fprintf(stderr, "usage: regsvr [-u] MODULE\n"
                         "  registers the in-process module MODULE (DllRegisterServer);\n"
                         "  -u removes its registration (DllUnregisterServer)\n");
    return kUsage;
}

struct Arguments {
    bool unregister = false;
    std::string module;
};

bool ParseArguments(int argc, char** argv, Arguments* args) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-u" || arg == "/u") args->unregister = true;
        else if (!arg.empty() && arg[0] == '-') return false;
        else if (args->module.empty()) args->module = arg;
        else return false;
    }
    return !args->module.empty();
}

// The module's absolute path; dlopen would otherwise search the library path for a bare name
// and the module would register a path that depends on the current directory.
bool AbsolutePath(const std::string& module, std::string* path) {
    char* resolved = realpath(module.c_str(), nullptr);
    if (!resolved) {
        std::fprintf(stderr, "regsvr: %s: %s\n", module.c_str(), std::strerror(errno));
        return false;
    }
    *path = resolved;
    std::free(resolved);
    return true;
}

int Report(const char* exportName, const std::string& path, HRESULT hr) {
    if (SUCCEEDED(hr)) {
        std::printf("%s in %s succeeded.\n", exportName, path.c_str());
        return kSucceeded;
    }
    const std::string text = HResultText(hr);
    std::fprintf(stderr, "%s in %s failed: 0x%08x%s%s\n", exportName, path.c_str(), static_cast<unsigned>(hr),
                 text.empty() ? "" : " ", text.c_str());
    return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!ParseArguments(argc, argv, &args)) return Usage();

    std::string path;
    if (!AbsolutePath(args.module, &path)) return kFailed;

    const char* exportName = args.unregister ? "DllUnregisterServer" : "DllRegisterServer";
    std::string loadError;
    const HRESULT hr = CallServerRegistration(path, args.unregister, &loadError);
    if (hr == CO_E_DLLNOTFOUND) {
        std::fprintf(stderr, "regsvr: cannot load %s: %s\n", path.c_str(), loadError.c_str());
        return kFailed;
    }
    if (hr == HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)) {
        std::fprintf(stderr, "regsvr: %s has no export %s\n", path.c_str(), exportName);
        return kFailed;
    }
    return Report(exportName, path, hr);
}
