// The category property set that every pin with a category answers, alike for the pins of
// platform filters, of capture filters and the medium pins of the card's hardware: the
// category reads back, and an unknown property set or id fails with the platform's codes.
#include <gtest/gtest.h>

#include "platform/media/capture_filters/capture_filters.h"
#include "platform/media/filters/smart_tee.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/property_set.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/support/unknown_conformance.h"

namespace media::test {
namespace {

// The pins' reason codes as the platform numbers them.
constexpr HRESULT kSetUnsupported = static_cast<HRESULT>(0x80070492);
constexpr HRESULT kIdUnsupported = static_cast<HRESULT>(0x80070490);
const GUID kUnknownPropertySet = MakeGuid("5f0c2b1e-7a44-4d1e-8e3b-2c9d61a0f7aa");
constexpr DWORD kUnknownPropertyId = 0x7f;

struct PinSubject {
    const char* label;
    ComPtr<IBaseFilter> (*create)();
    const char16_t* pin;
    GUID category;
};

void PrintTo(const PinSubject& s, std::ostream* os) { *os << s.label; }

ComPtr<IBaseFilter> TvCardCapture() {
    ComPtr<IBaseFilter> filter;
    CreateVirtualVideoCaptureFilter(IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
    return filter;
}

ComPtr<IBaseFilter> SmartTee() {
    ComPtr<IBaseFilter> filter;
    if (EnsureGstStarted()) CreateSmartTee(nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
    return filter;
}

class PinCategoryProperty : public DeviceTest, public ::testing::WithParamInterface<PinSubject> {
protected:
    ComPtr<IKsPropertySet> Properties() {
        filter_ = GetParam().create();
        EXPECT_TRUE(filter_);
        if (!filter_) return nullptr;
        return As<IKsPropertySet>(PinNamed(filter_.Get(), GetParam().pin).Get());
    }

    ComPtr<IBaseFilter> filter_;
};

TEST_P(PinCategoryProperty, TheCategoryReadsBack) {
    ComPtr<IKsPropertySet> properties = Properties();
    ASSERT_TRUE(properties);
    GUID category{};
    DWORD returned = 0;
    ASSERT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof category,
                                    &returned));
    EXPECT_EQ(GetParam().category, category);
    EXPECT_EQ(sizeof(GUID), returned);
}

TEST_P(PinCategoryProperty, AnUnknownPropertySetOrIdFailsWithThePlatformCodes) {
    ComPtr<IKsPropertySet> properties = Properties();
    ASSERT_TRUE(properties);
    GUID value{};
    DWORD returned = 0;
    EXPECT_EQ(kSetUnsupported,
              properties->Get(kUnknownPropertySet, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &value, sizeof value, &returned));
    EXPECT_EQ(kIdUnsupported, properties->Get(AMPROPSETID_Pin, kUnknownPropertyId, nullptr, 0, &value, sizeof value, &returned));
    DWORD support = 0;
    EXPECT_EQ(kSetUnsupported, properties->QuerySupported(kUnknownPropertySet, AMPROPERTY_PIN_CATEGORY, &support));
    EXPECT_EQ(kIdUnsupported, properties->QuerySupported(AMPROPSETID_Pin, kUnknownPropertyId, &support));
    // The category is read-only.
    EXPECT_EQ(kIdUnsupported, properties->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &value, sizeof value));
    EXPECT_EQ(kSetUnsupported, properties->Set(kUnknownPropertySet, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &value, sizeof value));
}

INSTANTIATE_TEST_SUITE_P(
    Pins, PinCategoryProperty,
    ::testing::Values(PinSubject{"TvCardCapture", TvCardCapture, u"Capture", PIN_CATEGORY_CAPTURE},
                      PinSubject{"TvCardAnalogIn", TvCardCapture, u"Analog Video In", PIN_CATEGORY_ANALOGVIDEOIN},
                      PinSubject{"SmartTeeCapture", SmartTee, u"Capture", PIN_CATEGORY_CAPTURE},
                      PinSubject{"SmartTeePreview", SmartTee, u"Preview", PIN_CATEGORY_PREVIEW}),
    [](const ::testing::TestParamInfo<PinSubject>& subject) { return std::string(subject.param.label); });

// A pin of a platform filter alone: it keeps its filter alive.
INSTANTIATE_TEST_SUITE_P(PlatformFilterPins, UnknownConformance,
                         ::testing::Values(UnknownSubject{"SmartTeeCapturePin",
                                                          [] {
                                                              ComPtr<IPin> pin;
                                                              SmartTee()->FindPin(u"Capture", pin.ReleaseAndGetAddressOf());
                                                              return ComPtr<IUnknown>(pin.Get());
                                                          },
                                                          {IID_IPin, IID_IGstPin, IID_IKsPropertySet},
                                                          [] { return PlatformObjectCounter().Count(); }}),
                         UnknownSubjectName);

}  // namespace
}  // namespace media::test
