#include "profiles/device_profile.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "profiles/profile_file.h"
#include "tests/profiles/archive_bytes.h"

namespace {

// A device record laid out field by field as another writer would, for any version.
ArchiveBytes DeviceRecord(DWORD version, const std::vector<BYTE>& captureBlock = {}) {
    ArchiveBytes b;
    b.U32(version).Str("dev").Str("chan").Str("@video").Str("@audio").Str("pv").Str("cv").Str("pa").Str("ca");
    b.Mark("ExcludeItem0").Counted(11).Mark("ApplyPriority0").Counted(15);
    if (version >= 2557) b.Mark("DvInfoMask0").Counted(16);
    b.Mark("DecoderOutputEnable").Counted(3);
    b.Counted(550);  // the seven audio-input arrays: 2200 bytes
    for (int pin = 0; pin < 4; ++pin) b.Counted(4).Mark("AllocatorEnable" + std::to_string(pin)).Counted(1);
    b.Mark("Crossbar1Routing0").Counted(30).Mark("Crossbar2Routing0").Counted(30);
    for (int pin = 0; pin < 2; ++pin) {
        const std::string p = std::to_string(pin);
        b.Counted(4).Mark("BitRate" + p).Counted(1).Counted(2).Counted(10);
        if (version >= 2557) b.Mark("DvInfo" + p).Counted(8);
        if (version >= 2662) b.Counted(14).Mark("PictAspectRatioY" + p).Counted(1);
    }
    b.U32(static_cast<DWORD>(captureBlock.size())).U32(0);
    b.Mark("TVAudioMode").Counted(6).Mark("TunerChannel").Counted(3);
    b.Counted(9).Mark("SetWindowSize0").Counted(1).Counted(9).Mark("SetWindowSize1").Counted(1);
    b.Mark("ProcAmpValue0").Counted(1).Mark("ProcAmpFlags0").Counted(18).Mark("ProcAmpFlags9").Counted(1);
    b.Counted(1).Mark("PreviewWidth").Counted(28).Mark("StreamTimeUseDisplayTime").Counted(1);
    b.Mark("StreamTimeDisplayTime").Counted(2);
    b.Counted(6).Mark("MixerEnable").Counted(1);
    b.Counted(5).Mark("ClockDelta").Counted(1).U32(0);
    b.Append(captureBlock);
    return b;
}

std::vector<BYTE> InFile(const ArchiveBytes& record) {
    ArchiveBytes file;
    file.U32(2662).U32(1).I32(0).NewClass("CDeviceProfile").Append(record.data);
    return file.data;
}

void ExpectFieldsAtTheirPlaces(const CDeviceProfile& p, const ArchiveBytes& b) {
    const auto& m = b.marks;
    EXPECT_EQ(p.Name, "dev");
    EXPECT_EQ(p.CaptureAudioFilterName, "ca");
    EXPECT_EQ(p.ExcludeItem[0], m.at("ExcludeItem0"));
    EXPECT_EQ(p.ApplyPriority[0], m.at("ApplyPriority0"));
    EXPECT_EQ(p.DecoderOutputEnable, m.at("DecoderOutputEnable"));
    EXPECT_EQ(p.Allocators[3].AllocatorEnable, m.at("AllocatorEnable3"));
    EXPECT_EQ(p.Crossbar2Routing[0], m.at("Crossbar2Routing0"));
    EXPECT_EQ(p.VideoFormats[1].BitRate, m.at("BitRate1"));
    EXPECT_EQ(p.TVAudioMode, m.at("TVAudioMode"));
    EXPECT_EQ(p.TunerChannel, m.at("TunerChannel"));
    EXPECT_EQ(p.Compression[1].SetWindowSize, m.at("SetWindowSize1"));
    EXPECT_EQ(p.ProcAmpValue[0], m.at("ProcAmpValue0"));
    EXPECT_EQ(p.ProcAmpFlags[0], m.at("ProcAmpFlags0"));
    EXPECT_EQ(p.ProcAmpFlags[9], m.at("ProcAmpFlags9"));
    EXPECT_EQ(p.PreviewWidth, m.at("PreviewWidth"));
    EXPECT_EQ(p.StreamTimeUseDisplayTime, m.at("StreamTimeUseDisplayTime"));
    EXPECT_EQ(p.StreamTimeDisplayTime & 0xFFFFFFFF, m.at("StreamTimeDisplayTime"));
    EXPECT_EQ(p.MixerEnable, m.at("MixerEnable"));
    EXPECT_EQ(p.ClockDelta, m.at("ClockDelta"));
}

// Reads an older record, writes it back as 2662, and checks that what was written reloads to
// the same profile and re-saves identically.
CDeviceProfile LoadAndCheckResave(const std::vector<BYTE>& file) {
    auto loaded = LoadListFile<CDeviceProfile>(file, true);
    EXPECT_EQ(loaded.profiles.size(), 1u);
    const std::vector<BYTE> written = StoreListFile(loaded.profiles, loaded.current, true);
    auto reloaded = LoadListFile<CDeviceProfile>(written, true);
    EXPECT_EQ(*reloaded.profiles[0], *loaded.profiles[0]);
    EXPECT_EQ(StoreListFile(reloaded.profiles, reloaded.current, true), written);
    return *loaded.profiles[0];
}

class DeviceRecordVersion : public testing::TestWithParam<DWORD> {};

TEST_P(DeviceRecordVersion, LoadsEveryFieldInFileOrder) {
    const DWORD version = GetParam();
    const ArchiveBytes record = DeviceRecord(version, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
    const CDeviceProfile p = LoadAndCheckResave(InFile(record));
    ExpectFieldsAtTheirPlaces(p, record);
    EXPECT_EQ(p.AudioCaptureFormat.size(), 18u);
    EXPECT_TRUE(p.AudioPreviewFormat.empty());

    const CDeviceProfile fresh;
    if (version >= 2557) {
        EXPECT_EQ(p.DvInfoMask[0], record.marks.at("DvInfoMask0"));
        EXPECT_EQ(p.VideoFormats[0].DvInfo[0], record.marks.at("DvInfo0"));
    } else {
        EXPECT_EQ(p.DvInfoMask, fresh.DvInfoMask);
        EXPECT_EQ(p.VideoFormats[0].DvInfo, fresh.VideoFormats[0].DvInfo);
    }
    if (version >= 2662)
        EXPECT_EQ(p.VideoFormats[1].PictAspectRatioY, record.marks.at("PictAspectRatioY1"));
    else
        EXPECT_EQ(p.VideoFormats[1].PictAspectRatioY, 0u);
}

INSTANTIATE_TEST_SUITE_P(Versions, DeviceRecordVersion, testing::Values(2556u, 2557u, 2661u, 2662u));

TEST(DeviceRecord, A2662RecordIsWrittenBackByteForByte) {
    const std::vector<BYTE> file = InFile(DeviceRecord(2662, {9, 8, 7}));
    auto loaded = LoadListFile<CDeviceProfile>(file, true);
    EXPECT_EQ(StoreListFile(loaded.profiles, loaded.current, true), file);
}

TEST(DeviceRecord, SizesWithAndWithoutFormatBlocks) {
    CDeviceProfile profile;
    CArchive withoutBlocks;
    profile.Serialize(withoutBlocks);
    // version, eight empty strings, then the fixed fields up to ClockDelta.
    constexpr std::size_t kFixed = 4 + 8 + 44 + 60 + 64 + 12 + 2200 + 80 + 240 + 2 * 160 + 44 + 2 * 40 + 80 + 128 + 28 + 28;
    EXPECT_EQ(withoutBlocks.Bytes().size(), kFixed);

    profile.AudioCaptureFormat.assign(18, 0xAB);
    CArchive withBlock;
    profile.Serialize(withBlock);
    ASSERT_EQ(withBlock.Bytes().size(), kFixed + 18);
    EXPECT_EQ(std::vector<BYTE>(withBlock.Bytes().end() - 18, withBlock.Bytes().end()), std::vector<BYTE>(18, 0xAB));
}

TEST(DeviceRecord, NewProfileIsZeroButForTheAllocatorRequests) {
    const CDeviceProfile p;
    for (const AllocatorGroup& group : p.Allocators) {
        EXPECT_EQ(group.Allocator, (AllocatorRequest{-1, -1, -1, -1}));
        EXPECT_EQ(group.AllocatorEnable, 0u);
    }
    EXPECT_EQ(p.PreviewWidth, 0u);
    EXPECT_EQ(p.StreamTimeDisplayTime, 0);
    EXPECT_TRUE(p.Name.empty());
}

TEST(DeviceRecord, AllocatorRequestsOfMinusOneSurviveARoundTrip) {
    ProfileList<CDeviceProfile> list;
    list.push_back(std::make_unique<CDeviceProfile>());
    list[0]->Allocators[2].Allocator.cbAlign = 16;
    auto loaded = LoadListFile<CDeviceProfile>(StoreListFile(list, nullptr, true), true);
    EXPECT_EQ(loaded.profiles[0]->Allocators[2].Allocator, (AllocatorRequest{-1, -1, 16, -1}));
    EXPECT_EQ(loaded.profiles[0]->Allocators[0].Allocator, (AllocatorRequest{-1, -1, -1, -1}));
}

TEST(DeviceRecord, CopyDuplicatesTheFormatBlocks) {
    CDeviceProfile source;
    source.Name = "A";
    source.AudioPreviewFormat = {1, 2, 3};
    CDeviceProfile copy;
    copy.Copy(source);
    source.AudioPreviewFormat[0] = 9;
    EXPECT_EQ(copy.Name, "A");
    EXPECT_EQ(copy.AudioPreviewFormat, (std::vector<BYTE>{1, 2, 3}));
}

// One full device record written field by field in file order, each field holding a value no
// other field holds; the same values are set on `expected` by field name. Any two fields that
// Serialize wrote or read in another order would show up as a byte or field difference.
class FullDeviceRecord {
public:
    FullDeviceRecord() {
        for (std::string* s : {&p.Name, &p.ChannelProfileName, &p.VideoDeviceMoniker, &p.AudioDeviceMoniker,
                               &p.PreviewVideoFilterName, &p.CaptureVideoFilterName, &p.PreviewAudioFilterName,
                               &p.CaptureAudioFilterName})
            String(*s);
        Dwords(p.ExcludeItem);
        Dwords(p.ApplyPriority);
        Dwords(p.DvInfoMask);
        for (DWORD* d : {&p.DecoderOutputEnable, &p.DecoderTVFormat, &p.DecoderVCRHorizontalLocking}) Dword(*d);
        Doubles(p.InputBass);
        Dwords(p.InputEnable);
        Dwords(p.InputLoudness);
        Doubles(p.InputMixLevel);
        Dwords(p.InputMono);
        Doubles(p.InputPan);
        Doubles(p.InputTreble);
        for (AllocatorGroup& group : p.Allocators) {
            for (LONG* member : {&group.Allocator.cBuffers, &group.Allocator.cbBuffer, &group.Allocator.cbAlign,
                                 &group.Allocator.cbPrefix})
                Dword(*member);
            Dword(group.AllocatorEnable);
        }
        Dwords(p.Crossbar1Routing);
        Dwords(p.Crossbar2Routing);
        for (VideoStreamFormat& format : p.VideoFormats) {
            Raw(format.Subtype);
            Dword(format.BitRate);
            Wide(format.AvgTimePerFrame);
            Raw(format.BitmapInfoHeader);
            Dwords(format.DvInfo);
            Raw(format.FormatType);
            Raw(format.SourceRect);
            Raw(format.TargetRect);
            for (DWORD* d : {&format.InterlaceFlags, &format.PictAspectRatioX, &format.PictAspectRatioY}) Dword(*d);
        }
        p.AudioCaptureFormat = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9,
                                0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0xD1, 0xD2};
        p.AudioPreviewFormat = {0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6};
        p.AudioCaptureFormatLength = 18;
        p.AudioPreviewFormatLength = 6;
        bytes.U32(18).U32(6);
        for (DWORD* d : {&p.TVAudioMode, &p.TunerCountryCode, &p.TunerTuningSpace}) Dword(*d);
        Dword(p.TunerMode);
        Dword(p.TunerConnectedInputType);
        for (DWORD* d : {&p.TunerConnectInput, &p.TunerChannel, &p.TunerVideoSubChannel, &p.TunerAudioSubChannel})
            Dword(*d);
        for (VideoCompressionSettings& c : p.Compression) {
            Dword(c.KeyFrameRate);
            Dword(c.PFramesPerKeyFrame);
            Double(c.Quality);
            Wide(c.WindowSize);
            for (DWORD* d : {&c.SetKeyFrameRate, &c.SetPFramesPerKeyFrame, &c.SetQuality, &c.SetWindowSize}) Dword(*d);
        }
        for (int i = 0; i < kProcAmpProperties; ++i) {
            Dword(p.ProcAmpValue[i]);
            Dword(p.ProcAmpFlags[i]);
        }
        for (DWORD* d : {&p.PreviewSizeMode, &p.PreviewWidth, &p.PreviewHeight, &p.CaptureSizeMode, &p.CaptureWidth,
                         &p.CaptureHeight, &p.PreviewVideoMode, &p.CaptureVideoMode, &p.PreviewAudioMode,
                         &p.CaptureAudioMode, &p.PreviewCCMode, &p.CaptureCCMode, &p.UseSmartTee, &p.DvType2,
                         &p.DvDiscardHalfFrames, &p.PreviewNoVideoPort, &p.CaptureNoVideoPort,
                         &p.PreviewVideoTimestamped, &p.PreviewAudioTimestamped, &p.PreviewViaCapturePin,
                         &p.VideoFilterPreview, &p.AudioFilterPreview, &p.PreviewPinTypeOrder, &p.CapturePinTypeOrder,
                         &p.StillChangeResolution, &p.StillForceRGB24, &p.StillWidth, &p.StillHeight,
                         &p.StreamTimeCorrection, &p.StreamTimeUseDisplayTime})
            Dword(*d);
        Wide(p.StreamTimeDisplayTime);
        for (DWORD* d : {&p.MixerDevice, &p.MixerSource, &p.MixerVolume, &p.MixerMute, &p.MixerSavedVolume,
                         &p.MixerSavedMute, &p.MixerEnable, &p.UseCustomClock, &p.AdjustClockSpeed})
            Dword(*d);
        Double(p.ClockSpeed);
        Dword(p.UseClockDelta);
        Wide(p.ClockDelta);
        bytes.Append(p.AudioCaptureFormat).Append(p.AudioPreviewFormat);
    }

    CDeviceProfile p;    // the expected profile
    ArchiveBytes bytes;  // its record, beginning with the version word

private:
    template <class T>
    void Dword(T& field) {
        static_assert(sizeof(T) == 4);
        field = static_cast<T>(next_++);
        bytes.Raw(&field, 4);
    }
    template <class T, std::size_t N>
    void Dwords(std::array<T, N>& fields) {
        for (T& field : fields) Dword(field);
    }
    void Double(double& field) {
        field = static_cast<double>(next_++) + 0.5;
        bytes.Raw(&field, 8);
    }
    template <std::size_t N>
    void Doubles(std::array<double, N>& fields) {
        for (double& field : fields) Double(field);
    }
    // A 64-bit value whose two halves both differ from every other field.
    template <class T>
    void Wide(T& field) {
        static_assert(sizeof(T) == 8);
        const std::uint64_t low = next_++;
        field = static_cast<T>((std::uint64_t{0x5A000000u + static_cast<std::uint32_t>(low)} << 32) | low);
        bytes.Raw(&field, 8);
    }
    // GUIDs and raw structures: bytes counting up from a fresh start.
    template <class T>
    void Raw(T& field) {
        BYTE block[sizeof(T)];
        for (std::size_t i = 0; i < sizeof(T); ++i) block[i] = static_cast<BYTE>(rawNext_++);
        std::memcpy(&field, block, sizeof(T));
        bytes.Raw(block, sizeof(T));
    }
    void String(std::string& field) {
        field = "s" + std::to_string(next_++);
        bytes.Str(field);
    }

    DWORD next_ = 0x1000;
    unsigned rawNext_ = 1;
};

TEST(DeviceRecordLayout, SerializeWritesEveryFieldInFileOrder) {
    FullDeviceRecord record;
    record.bytes.data.insert(record.bytes.data.begin(), {0x66, 0x0A, 0x00, 0x00});
    CArchive ar;
    record.p.Serialize(ar);
    EXPECT_EQ(ar.Bytes(), record.bytes.data);
}

TEST(DeviceRecordLayout, LoadingAHandWrittenRecordFillsEveryField) {
    FullDeviceRecord record;
    ArchiveBytes withVersion;
    withVersion.U32(2662).Append(record.bytes.data);
    auto loaded = LoadListFile<CDeviceProfile>(InFile(withVersion), true);
    ASSERT_EQ(loaded.profiles.size(), 1u);
    EXPECT_TRUE(*loaded.profiles[0] == record.p);
    EXPECT_EQ(loaded.profiles[0]->VideoFormats[1].PictAspectRatioY, record.p.VideoFormats[1].PictAspectRatioY);
    EXPECT_EQ(loaded.profiles[0]->ClockDelta, record.p.ClockDelta);
    EXPECT_EQ(loaded.profiles[0]->AudioPreviewFormat, record.p.AudioPreviewFormat);
}

// The example file: two profiles, the second current.
TEST(DeviceFile, StartsAsTheExampleShows) {
    ProfileList<CDeviceProfile> list;
    list.push_back(std::make_unique<CDeviceProfile>());
    list.push_back(std::make_unique<CDeviceProfile>());
    const std::vector<BYTE> file = StoreListFile(list, list[1].get(), true);

    ArchiveBytes start;
    start.U32(2662).U32(2).U32(1).NewClass("CDeviceProfile").U32(2662);
    ASSERT_GT(file.size(), start.data.size());
    EXPECT_EQ(std::vector<BYTE>(file.begin(), file.begin() + start.data.size()), start.data);
    const std::size_t second = start.data.size() - 4 + (file.size() - start.data.size() + 4 - 2) / 2;
    EXPECT_EQ(file[second], 0x01);
    EXPECT_EQ(file[second + 1], 0x80);

    auto loaded = LoadListFile<CDeviceProfile>(file, true);
    ASSERT_EQ(loaded.profiles.size(), 2u);
    EXPECT_EQ(loaded.current, loaded.profiles[1].get());
}

}  // namespace
