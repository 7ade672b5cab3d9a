// In-process modules end to end: regsvr registers the test module in a temporary registry,
// the runtime loads it by class identifier, and bad registrations give the right codes.
#include <dlfcn.h>
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/registry/registry.h"
#include "tests/platform/com/test_module.h"
#include "tests/support/temp_environment.h"

namespace {

using ::testing::HasSubstr;

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

CommandResult RunRegsvr(const std::string& arguments) {
    const std::string command = std::string("'") + QD_REGSVR_PATH + "' " + arguments + " 2>&1";
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) result.output += buffer;
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string ModulePath() { return std::filesystem::canonical(QD_TEST_MODULE_PATH).string(); }

bool IsLoaded(const std::string& path) {
    const auto loaded = LoadedModulesForTesting();
    return std::find(loaded.begin(), loaded.end(), path) != loaded.end();
}

// Writes CLSID\{clsid}\InprocServer32 = path by hand, as a broken installation might.
void RegisterServerPath(REFCLSID clsid, const std::string& path) {
    const std::u16string subKey = u"CLSID\\" + Utf8ToWide(GuidToString(clsid)) + u"\\InprocServer32";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_WRITE, nullptr, &key, nullptr));
    const std::u16string value = Utf8ToWide(path);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                            static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR))));
    RegCloseKey(key);
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        CoFreeUnusedLibraries();  // start without modules left over from other tests
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }

    void Register() {
        const CommandResult result = RunRegsvr(Quoted(QD_TEST_MODULE_PATH));
        ASSERT_EQ(0, result.exitCode) << result.output;
        EXPECT_THAT(result.output, HasSubstr("DllRegisterServer in " + ModulePath() + " succeeded"));
    }

    HRESULT CreateAdder(ComPtr<ITestAdder>* adder) {
        return CoCreateInstance(CLSID_TestAdder, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(adder->ReleaseAndGetAddressOf()));
    }

    std::string HiveText() {
        std::string text;
        const auto dir = environment.ConfigHome() / "quilldeck" / "registry";
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(entry.path());
            std::stringstream content;
            content << in.rdbuf();
            text += content.str();
        }
        return text;
    }

    TempEnvironment environment;
};

TEST_F(ModuleTest, RegsvrRegistersTheModuleSoItsClassCanBeCreated) {
    Register();
    ComPtr<ITestAdder> adder;
    ASSERT_EQ(S_OK, CreateAdder(&adder));
    LONG sum = 0;
    EXPECT_EQ(S_OK, adder->Add(20, 22, &sum));
    EXPECT_EQ(42, sum);

    const std::string hive = HiveText();
    EXPECT_THAT(hive, HasSubstr("CLSID\\" + GuidToString(CLSID_TestAdder)));
    EXPECT_THAT(hive, HasSubstr("InprocServer32"));
    EXPECT_THAT(hive, HasSubstr("\"ThreadingModel\"=\"Both\""));
    EXPECT_THAT(hive, HasSubstr(kTestAdderName));
    EXPECT_THAT(hive, HasSubstr(ModulePath()));
}

TEST_F(ModuleTest, RegsvrUnregisterRemovesTheClass) {
    Register();
    const CommandResult result = RunRegsvr("-u " + Quoted(QD_TEST_MODULE_PATH));
    ASSERT_EQ(0, result.exitCode) << result.output;
    EXPECT_THAT(result.output, HasSubstr("DllUnregisterServer in " + ModulePath() + " succeeded"));
    ComPtr<ITestAdder> adder;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateAdder(&adder));
    EXPECT_FALSE(adder);
    EXPECT_THAT(HiveText(), ::testing::Not(HasSubstr(GuidToString(CLSID_TestAdder))));
}

TEST_F(ModuleTest, TheModuleStaysLoadedWhileAnObjectOrALockLives) {
    Register();
    ComPtr<ITestAdder> adder;
    ASSERT_EQ(S_OK, CreateAdder(&adder));
    ASSERT_TRUE(IsLoaded(ModulePath()));
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(ModulePath())) << "an object of the module is alive";
    adder = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(ModulePath()));

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_TestAdder, CLSCTX_INPROC_SERVER, nullptr,
                                     IID_PPV_ARGS(factory.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    factory = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(ModulePath())) << "a server lock is held";
    ASSERT_EQ(S_OK, CoGetClassObject(CLSID_TestAdder, CLSCTX_INPROC_SERVER, nullptr,
                                     IID_PPV_ARGS(factory.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, factory->LockServer(FALSE));  // locks are counted module-wide
    factory = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(ModulePath()));
    ASSERT_EQ(S_OK, CreateAdder(&adder)) << "a forgotten module is loaded again on demand";
}

TEST_F(ModuleTest, AMissingOrUnloadableModuleIsDllNotFound) {
    const CLSID missing = MakeGuid("d0d0d0d0-0000-4000-8000-000000000001");
    RegisterServerPath(missing, (environment.Root() / "nowhere.ax").string());
    ComPtr<IUnknown> object;
    EXPECT_EQ(CO_E_DLLNOTFOUND, CoCreateInstance(missing, nullptr, CLSCTX_ALL, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));

    const auto notLibrary = environment.Root() / "text.ax";
    std::ofstream(notLibrary) << "not a shared library\n";
    RegisterServerPath(missing, notLibrary.string());
    EXPECT_EQ(CO_E_DLLNOTFOUND, CoCreateInstance(missing, nullptr, CLSCTX_ALL, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));

    RegisterServerPath(missing, "");
    EXPECT_EQ(CO_E_DLLNOTFOUND, CoCreateInstance(missing, nullptr, CLSCTX_ALL, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));
    EXPECT_FALSE(object);
}

TEST_F(ModuleTest, AModuleWithoutDllGetClassObjectIsAnErrorInTheDll) {
    const CLSID broken = MakeGuid("d0d0d0d0-0000-4000-8000-000000000002");
    RegisterServerPath(broken, QD_BROKEN_MODULE_PATH);
    ComPtr<IUnknown> object;
    EXPECT_EQ(CO_E_ERRORINDLL, CoCreateInstance(broken, nullptr, CLSCTX_ALL, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));
    EXPECT_FALSE(IsLoaded(QD_BROKEN_MODULE_PATH));
}

TEST_F(ModuleTest, AClassTheModuleDoesNotServeIsItsAnswer) {
    const CLSID foreign = MakeGuid("d0d0d0d0-0000-4000-8000-000000000003");
    RegisterServerPath(foreign, ModulePath());
    ComPtr<IUnknown> object;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              CoCreateInstance(foreign, nullptr, CLSCTX_ALL, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));
}

TEST_F(ModuleTest, AClassKeyWithoutServerOrAnUnknownClassIsNotRegistered) {
    const CLSID noServer = MakeGuid("d0d0d0d0-0000-4000-8000-000000000004");
    HKEY key = nullptr;
    const std::u16string classKey = u"CLSID\\" + Utf8ToWide(GuidToString(noServer));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, classKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);
    ComPtr<IUnknown> object;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(noServer, nullptr, CLSCTX_ALL, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(MakeGuid("d0d0d0d0-0000-4000-8000-0000000000ff"), nullptr,
                                                    CLSCTX_ALL, IID_PPV_ARGS(object.ReleaseAndGetAddressOf())));
}

class RegsvrTest : public ::testing::Test {
protected:
    TempEnvironment environment;
};

TEST_F(RegsvrTest, BadArgumentsShowTheUsage) {
    for (const char* arguments : {"", "-x " QD_TEST_MODULE_PATH, "a.ax b.ax"}) {
        const CommandResult result = RunRegsvr(arguments);
        EXPECT_EQ(2, result.exitCode) << arguments;
        EXPECT_THAT(result.output, HasSubstr("usage: regsvr [-u] MODULE"));
    }
}

TEST_F(RegsvrTest, AModuleThatCannotBeFoundOrLoadedFails) {
    const std::string missing = (environment.Root() / "missing.ax").string();
    CommandResult result = RunRegsvr(Quoted(missing));
    EXPECT_EQ(1, result.exitCode);
    EXPECT_THAT(result.output, HasSubstr(missing));

    const auto notLibrary = environment.Root() / "text.ax";
    std::ofstream(notLibrary) << "not a shared library\n";
    result = RunRegsvr(Quoted(notLibrary.string()));
    EXPECT_EQ(1, result.exitCode);
    EXPECT_THAT(result.output, HasSubstr("cannot load"));
}

TEST_F(RegsvrTest, AModuleWithoutTheExportFails) {
    const CommandResult result = RunRegsvr(Quoted(QD_BROKEN_MODULE_PATH));
    EXPECT_EQ(1, result.exitCode);
    EXPECT_THAT(result.output, HasSubstr("has no export DllRegisterServer"));
}

TEST_F(RegsvrTest, AFailedRegistrationPrintsItsHResultAndFails) {
    // The registry folder is a plain file: no hive can be written.
    std::filesystem::create_directories(environment.ConfigHome() / "quilldeck");
    std::ofstream(environment.ConfigHome() / "quilldeck" / "registry") << "in the way\n";
    const CommandResult result = RunRegsvr(Quoted(QD_TEST_MODULE_PATH));
    EXPECT_EQ(1, result.exitCode) << result.output;
    EXPECT_THAT(result.output, HasSubstr("DllRegisterServer in " + ModulePath() + " failed: 0x8"));
}

TEST_F(RegsvrTest, ARelativeModulePathIsRegisteredAbsolute) {
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(QD_TEST_MODULE_PATH).parent_path());
    const CommandResult result = RunRegsvr(std::filesystem::path(QD_TEST_MODULE_PATH).filename().string());
    std::filesystem::current_path(cwd);
    ASSERT_EQ(0, result.exitCode) << result.output;
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    ComPtr<ITestAdder> adder;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_TestAdder, nullptr, CLSCTX_ALL, IID_PPV_ARGS(adder.ReleaseAndGetAddressOf())));
    adder = nullptr;
    CoFreeUnusedLibraries();
    CoUninitialize();
}

}  // namespace
