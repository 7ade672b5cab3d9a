// Shared set-up for the device and capture filter tests: a COM apartment, a private
// configuration directory and the machine's own devices hidden, so the virtual devices are
// all there is.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/com/com_runtime.h"
#include "platform/com/moniker.h"
#include "tests/support/temp_environment.h"
#include "platform/media/interfaces/filters.h"

namespace media::test {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The catalogue's monikers of a category, in order (empty when the category is empty).
    std::vector<ComPtr<IMoniker>> Monikers(REFCLSID category);
    // The filter of the device with this display name, bound through the catalogue.
    ComPtr<IBaseFilter> Bind(const char16_t* displayName);

private:
    TempEnvironment environment_;
};

std::u16string DisplayName(IMoniker* moniker);
std::u16string FriendlyName(IMoniker* moniker);
ComPtr<IPin> PinNamed(IBaseFilter* filter, const char16_t* name);
GUID PinCategory(IPin* pin);
// What a search upstream of a filter finds: the filters behind its input pins' peers,
// nearest first.
std::vector<ComPtr<IBaseFilter>> UpstreamFilters(IBaseFilter* filter);
template <typename I>
ComPtr<I> As(IUnknown* object) {
    ComPtr<I> out;
    if (object) object->QueryInterface(IidOf<I>(), out.ReleaseAndGetVoidAddress());
    return out;
}

}  // namespace media::test
