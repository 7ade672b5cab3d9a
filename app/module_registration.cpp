#include "app/module_registration.h"

#include <QLibrary>
#include <QString>
#include <filesystem>
#include <optional>

#include "common/module_interfaces.h"
#include "platform/com/com_runtime.h"
#include "platform/com/hresult.h"
#include "platform/com/wide_text.h"
#include "platform/registry/registry.h"

namespace {

constexpr FilterModule kProgramModules[] = {
    {"stampfix.ax", CLSID_Stampfix},
    {"metronel.ax", CLSID_TalvinClock},
};

// The default value of HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, if there is one.
std::optional<std::string> RegisteredModulePath(REFCLSID clsid) {
    const std::u16string subKey = u"CLSID\\" + Utf8ToWide(GuidToString(clsid)) + u"\\InprocServer32";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    std::optional<std::string> path;
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::u16string value(size / sizeof(WCHAR) + 1, u'\0');
        size = static_cast<DWORD>(value.size() * sizeof(WCHAR));
        if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) ==
            ERROR_SUCCESS)
            path = WideToUtf8(WideView(value.c_str()));
    }
    RegCloseKey(key);
    return path;
}

}  // namespace

std::span<const FilterModule> ProgramFilterModules() { return kProgramModules; }

bool IsModuleClassRegistered(REFCLSID clsid) {
    const std::optional<std::string> path = RegisteredModulePath(clsid);
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
    // Modules stay mapped once loaded, as the runtime loads them (types they register outlive them).
    QLibrary module(QString::fromStdString(path));
    module.setLoadHints(QLibrary::PreventUnloadHint);
    if (!module.load()) {
        const HRESULT hr = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        ReportFailure(reports, hr, TRUE, "LoadLibrary %s", fileName);
        return hr;
    }
    auto registerServer = reinterpret_cast<DllRegisterServerFunction>(module.resolve("DllRegisterServer"));
    if (!registerServer) {
        const HRESULT hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
        ReportFailure(reports, hr, TRUE, "GetProcAddress DllRegisterServer %s", fileName);
        return hr;
    }
    // A module may create objects while it registers.
    const HRESULT init = CoInitialize(nullptr);
    const HRESULT hr = registerServer();
    if (SUCCEEDED(init)) CoUninitialize();
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
