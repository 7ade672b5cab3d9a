// The filter modules beside the program register their classes in the user's registry when
// those classes are missing, and only then.
#include "app/module_registration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/module_interfaces.h"
#include "platform/com/com_runtime.h"
#include "platform/com/hresult.h"
#include "platform/com/unknown.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

class CollectedReports : public IFailureReportSink {
public:
    int AppendReportLine(const std::string& text) override {
        lines.push_back(text);
        return static_cast<int>(lines.size()) - 1;
    }
    void SelectReportLine(int) override {}
    bool AnyContains(const std::string& part) const {
        for (const std::string& line : lines)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }
    std::vector<std::string> lines;
};

std::string ClassesHive() {
    std::string text;
    RegExportHiveText(HKEY_CLASSES_ROOT, &text);
    return text;
}

class ModuleRegistrationTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_TRUE(fs::is_regular_file(buildModules_ + "stampfix.ax"));
        ASSERT_TRUE(fs::is_regular_file(buildModules_ + "metronel.ax"));
        ASSERT_TRUE(fs::is_regular_file(buildModules_ + "talvinmux.ax"));
    }
    void TearDown() override { CoUninitialize(); }

    // A folder of its own holding copies of the modules.
    std::string CopyModules(const char* folder) {
        const fs::path copies = environment_.Root() / folder;
        fs::create_directories(copies);
        for (const FilterModule& module : ProgramFilterModules())
            fs::copy_file(buildModules_ + module.FileName, copies / module.FileName);
        return copies.string() + "/";
    }

    HRESULT Create(REFCLSID clsid) {
        ComPtr<IUnknown> object;
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReleaseAndGetVoidAddress());
    }

    TempEnvironment environment_;
    const std::string buildModules_ = fs::path(QD_STAMPFIX_PATH).parent_path().string() + "/";
    CollectedReports reports_;
};

TEST_F(ModuleRegistrationTest, MissingClassesAreRegisteredFromTheGivenFolder) {
    ASSERT_EQ(Create(CLSID_Stampfix), REGDB_E_CLASSNOTREG);
    ASSERT_FALSE(IsModuleClassRegistered(CLSID_TalvinClock));
    EXPECT_EQ(RegisterMissingModules(buildModules_, ProgramFilterModules(), &reports_), 3);
    EXPECT_TRUE(reports_.lines.empty());
    EXPECT_TRUE(IsModuleClassRegistered(CLSID_Stampfix));
    EXPECT_TRUE(IsModuleClassRegistered(CLSID_TalvinClock));
    EXPECT_TRUE(IsModuleClassRegistered(CLSID_TalvinAVIMux));
    EXPECT_EQ(Create(CLSID_Stampfix), S_OK);
    EXPECT_EQ(Create(CLSID_TalvinClock), S_OK);
    EXPECT_EQ(Create(CLSID_TalvinAVIMux), S_OK);
}

TEST_F(ModuleRegistrationTest, RegisteredClassesAreLeftAsTheyAre) {
    const std::string elsewhere = CopyModules("installed");
    ASSERT_EQ(RegisterMissingModules(elsewhere, ProgramFilterModules(), &reports_), 3);
    const std::string before = ClassesHive();
    ASSERT_NE(before.find("installed"), std::string::npos);

    EXPECT_EQ(RegisterMissingModules(buildModules_, ProgramFilterModules(), &reports_), 0);
    EXPECT_EQ(ClassesHive(), before);  // still naming the other copies
    EXPECT_TRUE(reports_.lines.empty());
}

// A registration whose module has since gone away counts as missing.
TEST_F(ModuleRegistrationTest, RegistrationOfAVanishedModuleIsRenewed) {
    const std::string moved = CopyModules("moved");
    ASSERT_EQ(RegisterMissingModules(moved, ProgramFilterModules(), &reports_), 3);
    fs::remove_all(moved);
    EXPECT_FALSE(IsModuleClassRegistered(CLSID_Stampfix));
    EXPECT_EQ(RegisterMissingModules(buildModules_, ProgramFilterModules(), &reports_), 3);
    EXPECT_EQ(ClassesHive().find("moved"), std::string::npos);
    EXPECT_EQ(Create(CLSID_Stampfix), S_OK);
}

TEST_F(ModuleRegistrationTest, MissingOrBrokenModulesAreReportedAndTheRestGoesOn) {
    const fs::path folder = environment_.Root() / "broken";
    fs::create_directories(folder);
    std::ofstream(folder / "stampfix.ax") << "not a module";
    fs::copy_file(buildModules_ + "metronel.ax", folder / "metronel.ax");
    fs::copy_file(buildModules_ + "talvinmux.ax", folder / "talvinmux.ax");

    EXPECT_EQ(RegisterMissingModules(folder.string() + "/", ProgramFilterModules(), &reports_), 2);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_TRUE(reports_.AnyContains("8007007e - "));
    EXPECT_TRUE(reports_.AnyContains("LoadLibrary stampfix.ax"));
    EXPECT_FALSE(IsModuleClassRegistered(CLSID_Stampfix));
    EXPECT_TRUE(IsModuleClassRegistered(CLSID_TalvinClock));

    reports_.lines.clear();
    fs::remove(folder / "stampfix.ax");
    EXPECT_EQ(RegisterMissingModules(folder.string() + "/", ProgramFilterModules(), &reports_), 0);
    ASSERT_EQ(reports_.lines.size(), 1u);
    EXPECT_TRUE(reports_.AnyContains("LoadLibrary stampfix.ax"));
    EXPECT_TRUE(reports_.AnyContains("80070002 - "));
}

}  // namespace
