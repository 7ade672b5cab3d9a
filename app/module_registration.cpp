#include "app/module_registration.h"

#include <filesystem>
#include <optional>

#include "common/module_interfaces.h"
#include "platform/com/com_runtime.h"
#include "platform/com/hresult.h"

namespace {

constexpr FilterModule kProgramModules[] = {
    {"stampfix.ax", CLSID_Stampfix},
    {"metronel.ax", CLSID_TalvinClock},
    {"talvinmux.ax", CLSID_TalvinAVIMux},
};

}  // namespace

std::span<const FilterModule> ProgramFilterModules() { return kProgramModules; }

bool IsModuleClassRegistered(REFCLSID clsid) {
    const std::optional<std::string> path = RegisteredServerModule(clsid);
    std::error_code ec;
    // A module that moved away since it registered leaves the class as good as missing.
    return path && !path->empty() && std::filesystem::is_regular_file(*path, ec);
}

HRESULT RegisterModule(const std::string& path, const char* fileName, IFailureReportSink* reports) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        const HRESULT hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        ReportFailure(reports, hr, TRUE, "LoadLibrary %s", fileName);
        return hr;
    }
    const HRESULT hr = CallServerRegistration(path, false);
    if (hr == CO_E_DLLNOTFOUND) {
        const HRESULT notLoaded = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        ReportFailure(reports, notLoaded, TRUE, "LoadLibrary %s", fileName);
        return notLoaded;
    }
    if (hr == HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)) {
        ReportFailure(reports, hr, TRUE, "GetProcAddress DllRegisterServer %s", fileName);
        return hr;
    }
    if (FAILED(hr)) ReportFailure(reports, hr, TRUE, "DllRegisterServer %s", fileName);
    return hr;
}

int RegisterMissingModules(const std::string& directory, std::span<const FilterModule> modules,
                           IFailureReportSink* reports) {
    int registered = 0;
    for (const FilterModule& module : modules) {
        if (IsModuleClassRegistered(module.ClassId)) continue;
        if (SUCCEEDED(RegisterModule(directory + module.FileName, module.FileName, reports))) ++registered;
    }
    return registered;
}
