// The mixer calls with the machine's devices hidden: the virtual mixer alone, its lines,
// controls and ranges, and the calls' answers to bad handles, indexes, flags and values.
#include "platform/mixer/mixer_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/media/devices/device_catalog.h"
#include "platform/mixer/mixer_device.h"
#include "platform/mixer/virtual_mixer.h"
#include "tests/support/real_devices.h"

namespace {

using namespace mixer;

MIXERLINEA EmptyLine() {
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    return line;
}

class VirtualMixerTest : public testing::Test {
protected:
    void SetUp() override {
        ResetVirtualMixer();
        ASSERT_EQ(MMSYSERR_NOERROR, mixerOpen(&handle_, 0, 0, 0, MIXER_OBJECTF_MIXER));
    }
    void TearDown() override {
        if (handle_) {
            EXPECT_EQ(MMSYSERR_NOERROR, mixerClose(handle_));
        }
        EXPECT_EQ(0u, OpenMixerHandles());
        ResetVirtualMixer();
    }

    MIXERLINEA Source(DWORD index) {
        MIXERLINEA line = EmptyLine();
        line.dwSource = index;
        EXPECT_EQ(MMSYSERR_NOERROR, mixerGetLineInfoA(handle_, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE));
        return line;
    }

    MMRESULT Control(DWORD lineId, DWORD type, MIXERCONTROLA* control) {
        std::memset(control, 0, sizeof *control);
        MIXERLINECONTROLSA controls;
        std::memset(&controls, 0, sizeof controls);
        controls.cbStruct = sizeof controls;
        controls.dwLineID = lineId;
        controls.dwControlType = type;
        controls.cControls = 1;
        controls.cbmxctrl = sizeof *control;
        controls.pamxctrl = control;
        return mixerGetLineControlsA(handle_, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE);
    }

    static MIXERCONTROLDETAILS Details(DWORD controlId, DWORD* value) {
        MIXERCONTROLDETAILS details;
        std::memset(&details, 0, sizeof details);
        details.cbStruct = sizeof details;
        details.dwControlID = controlId;
        details.cChannels = 1;
        details.cbDetails = sizeof(DWORD);
        details.paDetails = value;
        return details;
    }

    MMRESULT Set(DWORD controlId, DWORD value) {
        MIXERCONTROLDETAILS details = Details(controlId, &value);
        return mixerSetControlDetails(handle_, &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
    }
    MMRESULT Get(DWORD controlId, DWORD* value) {
        MIXERCONTROLDETAILS details = Details(controlId, value);
        return mixerGetControlDetailsA(handle_, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE);
    }

    HMIXER handle_ = nullptr;
};

TEST_F(VirtualMixerTest, IsTheOnlyDeviceWhileRealDevicesAreHidden) {
    EXPECT_EQ(1u, mixerGetNumDevs());
    MIXERCAPSA caps;
    ASSERT_EQ(MMSYSERR_NOERROR, mixerGetDevCapsA(0, &caps, sizeof caps));
    EXPECT_STREQ(kVirtualMixerName, caps.szPname);
    EXPECT_EQ(1u, caps.cDestinations);
    EXPECT_EQ(MMSYSERR_BADDEVICEID, mixerGetDevCapsA(1, &caps, sizeof caps));
}

TEST_F(VirtualMixerTest, DestinationZeroHasFourSources) {
    MIXERLINEA destination = EmptyLine();
    ASSERT_EQ(MMSYSERR_NOERROR,
              mixerGetLineInfoA(handle_, &destination, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION));
    EXPECT_EQ(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, destination.dwComponentType);
    EXPECT_EQ(4u, destination.cConnections);
    EXPECT_STREQ(kVirtualMixerName, destination.Target.szPname);
}

struct ExpectedSource {
    DWORD index;
    const char* name;
    DWORD componentType;
};

class VirtualMixerSourceTest : public VirtualMixerTest, public testing::WithParamInterface<ExpectedSource> {};

TEST_P(VirtualMixerSourceTest, HasItsNameTypeAndBothControls) {
    const ExpectedSource& expected = GetParam();
    const MIXERLINEA line = Source(expected.index);
    EXPECT_STREQ(expected.name, line.szName);
    EXPECT_EQ(expected.componentType, line.dwComponentType);
    EXPECT_EQ(expected.index, line.dwSource);
    EXPECT_EQ(2u, line.cControls);
    EXPECT_NE(0u, line.fdwLine & MIXERLINE_LINEF_SOURCE);

    MIXERCONTROLA volume, mute;
    ASSERT_EQ(MMSYSERR_NOERROR, Control(line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &volume));
    EXPECT_EQ(0u, volume.Bounds.s2.dwMinimum);
    EXPECT_EQ(65535u, volume.Bounds.s2.dwMaximum);
    ASSERT_EQ(MMSYSERR_NOERROR, Control(line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &mute));
    EXPECT_NE(volume.dwControlID, mute.dwControlID);

    DWORD value = 0;
    ASSERT_EQ(MMSYSERR_NOERROR, Get(volume.dwControlID, &value));
    EXPECT_EQ(kVirtualMixerInitialState.volume, value);
    ASSERT_EQ(MMSYSERR_NOERROR, Set(volume.dwControlID, 65535));
    ASSERT_EQ(MMSYSERR_NOERROR, Set(mute.dwControlID, 1));
    const auto state = VirtualMixerState(static_cast<VirtualMixerLine>(expected.index + 1));
    EXPECT_EQ(65535u, state.volume);
    EXPECT_TRUE(state.muted);
    ASSERT_EQ(MMSYSERR_NOERROR, Get(mute.dwControlID, &value));
    EXPECT_EQ(1u, value);
}

INSTANTIATE_TEST_SUITE_P(Sources, VirtualMixerSourceTest,
                         testing::Values(ExpectedSource{0, "Line", MIXERLINE_COMPONENTTYPE_SRC_LINE},
                                         ExpectedSource{1, "CD", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
                                         ExpectedSource{2, "Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
                                         ExpectedSource{3, "Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT}),
                         [](const testing::TestParamInfo<ExpectedSource>& source) { return std::string(source.param.name); });

TEST_F(VirtualMixerTest, WaveOutLineIsFoundByItsComponentType) {
    MIXERLINEA line = EmptyLine();
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    ASSERT_EQ(MMSYSERR_NOERROR, mixerGetLineInfoA(handle_, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE));
    EXPECT_EQ(3u, line.dwSource);
    EXPECT_STREQ("Wave", line.szName);
    MIXERLINEA byId = EmptyLine();
    byId.dwLineID = line.dwLineID;
    ASSERT_EQ(MMSYSERR_NOERROR, mixerGetLineInfoA(handle_, &byId, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID));
    EXPECT_STREQ("Wave", byId.szName);
}

TEST_F(VirtualMixerTest, VolumeOutsideTheBoundsIsRefusedAndLeavesTheLine) {
    MIXERCONTROLA volume;
    ASSERT_EQ(MMSYSERR_NOERROR, Control(Source(0).dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &volume));
    EXPECT_EQ(MIXERR_INVALVALUE, Set(volume.dwControlID, 65536));
    EXPECT_EQ(MIXERR_INVALVALUE, Set(volume.dwControlID, 0xFFFFFFFF));
    EXPECT_EQ(kVirtualMixerInitialState.volume, VirtualMixerState(VirtualMixerLineIn).volume);
}

TEST_F(VirtualMixerTest, MissingLinesAndControlsAreRefused) {
    MIXERLINEA line = EmptyLine();
    line.dwSource = 4;
    EXPECT_EQ(MIXERR_INVALLINE, mixerGetLineInfoA(handle_, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE));
    line = EmptyLine();
    line.dwDestination = 1;
    EXPECT_EQ(MIXERR_INVALLINE, mixerGetLineInfoA(handle_, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION));
    MIXERCONTROLA control;
    EXPECT_EQ(MIXERR_INVALLINE, Control(0x12345678, MIXERCONTROL_CONTROLTYPE_VOLUME, &control));
    EXPECT_EQ(MIXERR_INVALCONTROL, Control(Source(0).dwLineID, 0x40000000, &control));
    DWORD value = 0;
    EXPECT_EQ(MIXERR_INVALCONTROL, Get(999, &value));
}

TEST_F(VirtualMixerTest, MalformedRequestsAreRefused) {
    MIXERLINEA line = EmptyLine();
    line.cbStruct = 8;
    EXPECT_EQ(MMSYSERR_INVALPARAM, mixerGetLineInfoA(handle_, &line, MIXER_OBJECTF_HMIXER));
    EXPECT_EQ(MMSYSERR_INVALPARAM, mixerGetLineInfoA(handle_, nullptr, MIXER_OBJECTF_HMIXER));
    line = EmptyLine();
    EXPECT_EQ(MMSYSERR_INVALFLAG, mixerGetLineInfoA(handle_, &line, MIXER_OBJECTF_MIXER));

    MIXERCONTROLA volume;
    ASSERT_EQ(MMSYSERR_NOERROR, Control(Source(0).dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &volume));
    DWORD values[2] = {};
    MIXERCONTROLDETAILS details = Details(volume.dwControlID, values);
    details.cChannels = 2;
    EXPECT_EQ(MMSYSERR_INVALPARAM, mixerGetControlDetailsA(handle_, &details, MIXER_OBJECTF_HMIXER));
    details = Details(volume.dwControlID, nullptr);
    EXPECT_EQ(MMSYSERR_INVALPARAM, mixerSetControlDetails(handle_, &details, MIXER_OBJECTF_HMIXER));
}

TEST(MixerHandles, UnknownAndClosedHandlesAreRefused) {
    EXPECT_EQ(MMSYSERR_INVALPARAM, mixerOpen(nullptr, 0, 0, 0, MIXER_OBJECTF_MIXER));
    HMIXER handle = reinterpret_cast<HMIXER>(0x1);
    EXPECT_EQ(MMSYSERR_BADDEVICEID, mixerOpen(&handle, 7, 0, 0, MIXER_OBJECTF_MIXER));
    EXPECT_EQ(nullptr, handle);
    ASSERT_EQ(MMSYSERR_NOERROR, mixerOpen(&handle, 0, 0, 0, MIXER_OBJECTF_MIXER));
    EXPECT_EQ(1u, OpenMixerHandles());
    EXPECT_EQ(MMSYSERR_NOERROR, mixerClose(handle));
    EXPECT_EQ(MMSYSERR_INVALHANDLE, mixerClose(handle));
    MIXERLINEA line = EmptyLine();
    EXPECT_EQ(MMSYSERR_INVALHANDLE, mixerGetLineInfoA(handle, &line, MIXER_OBJECTF_HMIXER));
    EXPECT_EQ(0u, OpenMixerHandles());
}

TEST(MixerHandles, CallbacksAreNotOffered) {
    HMIXER handle = nullptr;
    EXPECT_EQ(MMSYSERR_INVALFLAG, mixerOpen(&handle, 0, 1, 0, MIXER_OBJECTF_MIXER));
    EXPECT_EQ(MMSYSERR_INVALFLAG, mixerOpen(&handle, 0, 0, 0, 0x00030000));
    EXPECT_EQ(0u, OpenMixerHandles());
}

// A device that cannot be opened (a card unplugged between listing and opening).
TEST(MixerHandles, DeviceThatCannotBeOpenedFailsTheOpen) {
    ScopedMixerDevicesOverride devices([] { return std::vector<MixerDeviceOpener>{[] { return nullptr; }}; });
    HMIXER handle = nullptr;
    EXPECT_EQ(MMSYSERR_NODRIVER, mixerOpen(&handle, 0, 0, 0, MIXER_OBJECTF_MIXER));
    MIXERCAPSA caps;
    EXPECT_EQ(MMSYSERR_NODRIVER, mixerGetDevCapsA(0, &caps, sizeof caps));
    EXPECT_EQ(0u, OpenMixerHandles());
}

// The machine's own cards come first, in card order, and the virtual mixer last.
class AlsaMixers : public testing::Test {
protected:
    void SetUp() override { media::SetRealDevicesHidden(false); }
    void TearDown() override { media::SetRealDevicesHidden(true); }
};

QD_REAL_DEVICE_TEST_F(AlsaMixers, CardsComeBeforeTheVirtualMixerAndReadBack) {
    const UINT count = mixerGetNumDevs();
    ASSERT_GE(count, 1u);
    MIXERCAPSA caps;
    ASSERT_EQ(MMSYSERR_NOERROR, mixerGetDevCapsA(count - 1, &caps, sizeof caps));
    EXPECT_STREQ(kVirtualMixerName, caps.szPname);
    for (UINT device = 0; device + 1 < count; ++device) {
        HMIXER handle = nullptr;
        ASSERT_EQ(MMSYSERR_NOERROR, mixerOpen(&handle, device, 0, 0, MIXER_OBJECTF_MIXER));
        MIXERLINEA destination = EmptyLine();
        EXPECT_EQ(MMSYSERR_NOERROR,
                  mixerGetLineInfoA(handle, &destination, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION));
        EXPECT_EQ(MMSYSERR_NOERROR, mixerClose(handle));
    }
}

}  // namespace
