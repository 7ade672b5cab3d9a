// Filter registration through the built-in filter mapper, and the clock adapter.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/base/clock_adapter.h"
#include "platform/media/base/filter_mapper.h"
#include "platform/media/base/filter_setup.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_environment.h"
#include "platform/media/interfaces/filter_registration.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const CLSID kFilter = MakeGuid("6a0c3f2e-1111-4a5b-8c9d-0e1f2a3b4c5d");
WCHAR kNoName[] = u"";
const REGPINTYPES kVideoAny = {&MEDIATYPE_Video, &GUID_NULL};
const REGFILTERPINS kPins[] = {{kNoName, FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kVideoAny},
                               {kNoName, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kVideoAny}};
const AMOVIESETUP_FILTER kSetup = {&kFilter, u"Test Filter", MERIT_DO_NOT_USE, 2, kPins};

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(mapper.ReleaseAndGetAddressOf())));
    }
    void TearDown() override {
        mapper = nullptr;
        CoUninitialize();
    }
    std::string Hive() {
        std::string text;
        RegExportHiveText(HKEY_CLASSES_ROOT, &text);
        return text;
    }

    TempEnvironment environment;
    ComPtr<IFilterMapper2> mapper;
};

TEST_F(RegistrationTest, RegistersOnceInTheDefaultCategoryAndUnregistersQuietly) {
    ASSERT_EQ(S_OK, RegisterFilterSetup(mapper.Get(), kSetup, true));
    ASSERT_EQ(S_OK, RegisterFilterSetup(mapper.Get(), kSetup, true));
    const std::u16string key = u"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\" +
                               Utf8ToWide(GuidToString(kFilter));
    HKEY entry = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &entry));
    BYTE data[256];
    DWORD size = sizeof data, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(entry, u"FilterData", nullptr, &type, data, &size));
    RegCloseKey(entry);
    EXPECT_EQ(REG_BINARY, type);
    REGFILTER2 registration{};
    registration.dwVersion = 1;
    registration.dwMerit = MERIT_DO_NOT_USE;
    registration.cPins = 2;
    registration.rgPins = kPins;
    const std::vector<BYTE> expected = media::EncodeFilterData(registration);
    EXPECT_EQ(expected, std::vector<BYTE>(data, data + size));
    // version, merit, pins; first pin: flags 0, no instances, one type, no mediums, no category.
    ASSERT_GE(expected.size(), 12u + 16u + 16u + 32u);
    EXPECT_EQ((std::vector<BYTE>{2, 0, 0, 0, 0, 0, 0x20, 0, 2, 0, 0, 0}),
              std::vector<BYTE>(expected.begin(), expected.begin() + 12));
    EXPECT_EQ(REG_PINFLAG_B_OUTPUT, expected[12 + 16 + 16 + 32]);  // the second pin is the output
    EXPECT_EQ(12u + 2 * (16u + 16u + 32u), expected.size());
    EXPECT_THAT(Hive(), HasSubstr("\"FriendlyName\"=\"Test Filter\""));

    EXPECT_EQ(S_OK, RegisterFilterSetup(mapper.Get(), kSetup, false));
    EXPECT_EQ(S_OK, RegisterFilterSetup(mapper.Get(), kSetup, false));  // nothing left: still fine
    EXPECT_THAT(Hive(), Not(HasSubstr(GuidToString(kFilter))));
}

TEST_F(RegistrationTest, RefusesBadRegistrations) {
    REGFILTER2 registration{};
    registration.dwVersion = 3;
    EXPECT_EQ(E_INVALIDARG, mapper->RegisterFilter(kFilter, u"x", nullptr, nullptr, nullptr, &registration));
    EXPECT_EQ(E_POINTER, mapper->RegisterFilter(kFilter, nullptr, nullptr, nullptr, nullptr, &registration));
}

class FixedClock final : public ComObject<IReferenceClock> {
public:
    REFERENCE_TIME now = 0;
    HRESULT GetTime(REFERENCE_TIME* time) override {
        *time = now;
        return S_OK;
    }
    HRESULT AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override { return E_NOTIMPL; }
    HRESULT AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override { return E_NOTIMPL; }
    HRESULT Unadvise(DWORD_PTR) override { return E_NOTIMPL; }
};

TEST(ClockAdapter, PipelineClockReadsTheReferenceClockInNanoseconds) {
    gst_init(nullptr, nullptr);
    auto clock = MakeComObject<FixedClock>();
    EXPECT_EQ(nullptr, media::CreateGstClockForReferenceClock(nullptr));
    GstClock* adapter = media::CreateGstClockForReferenceClock(clock.Get());
    ASSERT_NE(nullptr, adapter);
    clock->now = 12345678;
    EXPECT_EQ(1234567800u, gst_clock_get_internal_time(adapter));
    clock->now = 22345678;
    EXPECT_EQ(2234567800u, gst_clock_get_internal_time(adapter));
    gst_object_unref(adapter);
}

}  // namespace
