// The filter modules that lie beside the program register their classes in the user's
// registry when those classes are missing, so a build tree or an unpacked copy runs without
// a separate install step.
#pragma once

#include <span>
#include <string>

#include "common/failure_report.h"
#include "platform/com/guid.h"

struct FilterModule {
    const char* FileName;
    CLSID ClassId;  // the class whose registration tells that the module is registered
};

// The two modules the program creates objects from.
std::span<const FilterModule> ProgramFilterModules();

// True when the class names an in-process module and that module file exists.
bool IsModuleClassRegistered(REFCLSID clsid);

// Loads the module and calls its DllRegisterServer (what regsvr does). Every failure is
// reported to `reports` with a label naming the step and the module; the result is the
// step's HRESULT.
HRESULT RegisterModule(const std::string& path, const char* fileName, IFailureReportSink* reports);

// Registers every module in `directory` (ending with '/') whose class is missing. Returns the
// number of modules registered.
int RegisterMissingModules(const std::string& directory, std::span<const FilterModule> modules,
                           IFailureReportSink* reports);
