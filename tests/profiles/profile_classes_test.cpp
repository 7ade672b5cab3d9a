#include <gtest/gtest.h>

#include "profiles/channel_profile.h"
#include "profiles/compressor_profile.h"
#include "profiles/filter_profile.h"
#include "profiles/mux_profile.h"
#include "profiles/profile_file.h"
#include "profiles/record_profile.h"
#include "tests/profiles/archive_bytes.h"

namespace {

template <class T>
std::vector<BYTE> OneRecordFile(const ArchiveBytes& record, bool withSelection) {
    ArchiveBytes file;
    file.U32(2662).U32(1);
    if (withSelection) file.I32(0);
    file.NewClass(T::RuntimeClass.m_lpszClassName).Append(record.data);
    return file.data;
}

// Loads a one-record file, writes it back and checks that the result reloads to the same
// profile and re-saves identically. Returns the profile first loaded.
template <class T>
T LoadAndCheckResave(const std::vector<BYTE>& file, bool withSelection) {
    auto loaded = LoadListFile<T>(file, withSelection);
    EXPECT_EQ(loaded.profiles.size(), 1u);
    const std::vector<BYTE> written = StoreListFile(loaded.profiles, loaded.current, withSelection);
    auto reloaded = LoadListFile<T>(written, withSelection);
    EXPECT_TRUE(*reloaded.profiles[0] == *loaded.profiles[0]);
    EXPECT_EQ(StoreListFile(reloaded.profiles, reloaded.current, withSelection), written);
    return *loaded.profiles[0];
}

// ---- compressor ----

TEST(CompressorRecord, NewProfileHasItsFlagsAtOne) {
    const CCompressorProfile p;
    EXPECT_EQ(p.SaveVideoConfig, 1u);
    EXPECT_EQ(p.ConnectVideoInput, 1u);
    EXPECT_EQ(p.ConnectAudioInput, 1u);
    EXPECT_EQ(p.WMIndex, 1u);
    EXPECT_EQ(p.Kind, 0u);
    EXPECT_EQ(p.DiscardVideoEveryTime, 0u);
}

TEST(CompressorRecord, KindZeroWritesLengthsThenBlobsInTheirOrder) {
    CCompressorProfile p;
    p.Name = "c";
    p.VideoDialogState = {0xD1};
    p.VideoFilterState = {0xF1, 0xF2};
    p.AudioOutputFormat = {0xA1, 0xA2, 0xA3};
    p.AudioFilterState = {};
    p.DataRate = 100 * 8192;
    CArchive ar;
    p.Serialize(ar);
    const std::vector<BYTE>& bytes = ar.Bytes();
    // blobs last: VideoDialogState, AudioOutputFormat, VideoFilterState (AudioFilterState is empty)
    EXPECT_EQ(std::vector<BYTE>(bytes.end() - 6, bytes.end()), (std::vector<BYTE>{0xD1, 0xA1, 0xA2, 0xA3, 0xF1, 0xF2}));
    // version, name, kind, 4 empty strings, 2 words, 2 x 8 bytes, 6 words, length, 3 words,
    // 2 lengths, 3 words, length
    EXPECT_EQ(bytes.size(), 4 + 2 + 4 + 4 + 8 + 16 + 24 + 4 + 12 + 8 + 12 + 4 + 6u);

    CArchive load(bytes);
    CCompressorProfile back;
    back.Serialize(load);
    EXPECT_EQ(back, p);
    EXPECT_EQ(back.DataRate, 819200u);
}

TEST(CompressorRecord, KindZeroWithoutBlobsEndsWithTheAudioFilterStateLength) {
    CCompressorProfile p;
    p.RestrictAudioFormat = 1;
    CArchive ar;
    p.Serialize(ar);
    const std::vector<BYTE>& bytes = ar.Bytes();
    // ... RestrictAudioFormat 1, ConnectAudioInput 1, DiscardAudioEveryTime 0, length 0
    EXPECT_EQ(std::vector<BYTE>(bytes.end() - 16, bytes.end()),
              (std::vector<BYTE>{1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(CompressorRecord, KindOneOfVersion2661HasNoInverseTelecine) {
    ArchiveBytes record;
    record.U32(2661).Str("wm").U32(1).Str("profile").U32(3).U32(0);
    const auto p = LoadAndCheckResave<CCompressorProfile>(OneRecordFile<CCompressorProfile>(record, true), true);
    EXPECT_EQ(p.Kind, 1u);
    EXPECT_EQ(p.WMProfileName, "profile");
    EXPECT_EQ(p.WMDeinterlaceMode, 3u);
    EXPECT_EQ(p.WMInverseTelecine, 0u);
    EXPECT_EQ(p.WMIndex, 0u);
    EXPECT_EQ(p.SaveVideoConfig, 1u);  // the other kind's fields keep their new-profile values
}

TEST(CompressorRecord, KindOneIsShort) {
    ArchiveBytes record;
    record.U32(2662).Str("wm").U32(1).Str("p").U32(2).U32(7).U32(1);
    const std::vector<BYTE> file = OneRecordFile<CCompressorProfile>(record, true);
    auto loaded = LoadListFile<CCompressorProfile>(file, true);
    EXPECT_EQ(loaded.profiles[0]->WMInverseTelecine, 7u);
    EXPECT_EQ(loaded.profiles[0]->WMIndex, 1u);
    EXPECT_EQ(StoreListFile(loaded.profiles, loaded.current, true), file);
}

TEST(CompressorRecord, AnotherKindStoresOnlyNameAndKind) {
    ArchiveBytes record;
    record.U32(2662).Str("odd").U32(5);
    const std::vector<BYTE> file = OneRecordFile<CCompressorProfile>(record, true);
    auto loaded = LoadListFile<CCompressorProfile>(file, true);
    EXPECT_EQ(loaded.profiles[0]->Kind, 5u);
    EXPECT_EQ(StoreListFile(loaded.profiles, loaded.current, true), file);
}

// ---- mux ----

ArchiveBytes MuxRecord(DWORD version) {
    ArchiveBytes b;
    b.U32(version).Str("mux").Mark("MuxMode").Counted(2).Counted(4).Mark("MSMasterStream").Counted(3).Counted(4);
    b.Mark("SplitMaxFiles").Counted(6).Counted(2).Mark("MaxConcurrentWrites").Counted(3).Counted(2);
    b.Mark("AudioSyncSensitivity").Counted(1).Counted(2).Mark("SplitMode").Counted(11).Counted(2);
    b.Mark("SamplingFrequency").Counted(2).Mark("SetSamplingFrequency").Counted(1);
    if (version >= 2661) b.Mark("DiscardNegativeVideo").Counted(2);
    if (version >= 2558) b.Mark("ChangeVideoOutputFormat").Counted(1).Mark("ChangeAudioOutputFormat").Counted(1);
    return b;
}

class MuxRecordVersion : public testing::TestWithParam<DWORD> {};

TEST_P(MuxRecordVersion, ReadsTheFieldsOfItsVersion) {
    const DWORD version = GetParam();
    const ArchiveBytes record = MuxRecord(version);
    const auto p = LoadAndCheckResave<CMuxProfile>(OneRecordFile<CMuxProfile>(record, true), true);
    const auto& m = record.marks;
    EXPECT_EQ(p.Name, "mux");
    EXPECT_EQ(p.MuxMode, m.at("MuxMode"));
    EXPECT_EQ(static_cast<DWORD>(p.MSMasterStream), m.at("MSMasterStream"));
    EXPECT_EQ(p.SplitMaxFiles, m.at("SplitMaxFiles"));
    EXPECT_EQ(p.MaxConcurrentWrites, m.at("MaxConcurrentWrites"));
    EXPECT_EQ(p.AudioSyncSensitivity, m.at("AudioSyncSensitivity"));
    EXPECT_EQ(p.SplitMode, m.at("SplitMode"));
    EXPECT_EQ(p.SamplingFrequency, m.at("SamplingFrequency"));
    EXPECT_EQ(p.SetSamplingFrequency, m.at("SetSamplingFrequency"));
    EXPECT_EQ(p.DiscardNegativeVideo, version >= 2661 ? m.at("DiscardNegativeVideo") : 0u);
    EXPECT_EQ(p.ChangeVideoOutputFormat, version >= 2558 ? m.at("ChangeVideoOutputFormat") : 0u);
    EXPECT_EQ(p.ChangeAudioOutputFormat, version >= 2558 ? m.at("ChangeAudioOutputFormat") : 0u);
}

INSTANTIATE_TEST_SUITE_P(Versions, MuxRecordVersion, testing::Values(2557u, 2558u, 2660u, 2661u, 2662u));

TEST(MuxRecord, NoneMasterStreamAndOneSecondPeriodAreStoredAsGiven) {
    CMuxProfile p;
    p.MSMasterStream = -1;
    p.InterleavePeriod = 1000 * 10000LL;
    CArchive ar;
    p.Serialize(ar);
    CArchive load(ar.Bytes());
    CMuxProfile back;
    back.Serialize(load);
    EXPECT_EQ(back.MSMasterStream, -1);
    EXPECT_EQ(back.InterleavePeriod, 10000000);
    EXPECT_TRUE(load.AtEnd());
}

// ---- channel ----

TEST(ChannelRecord, Version2558FixedTableKeepsTheUsedSlots) {
    ArchiveBytes record;
    record.U32(2558).Str("tokyo");
    for (DWORD slot = 0; slot < 200; ++slot) {
        if (slot == 5) record.U32(0).Str("NHK");
        else if (slot == 7) record.U32(1).Str("");
        else if (slot == 199) record.U32(1).Str("TBS");
        else record.U32(0).Str("");
    }
    const auto p = LoadAndCheckResave<CChannelProfile>(OneRecordFile<CChannelProfile>(record, false), false);
    EXPECT_EQ(p.Name, "tokyo");
    EXPECT_EQ(p.Entries, (std::vector<CChannelEntry>{{5, 5, "NHK", 0, 0}, {7, 7, "", 1, 0}, {199, 199, "TBS", 1, 0}}));
}

// The layout changes at exactly 2559: below it the fixed table of 200 slots, from it on the
// entry count and the entries.
class ChannelRecordBoundary : public testing::TestWithParam<DWORD> {};

TEST_P(ChannelRecordBoundary, ReadsTheLayoutOfItsVersion) {
    const DWORD version = GetParam();
    ArchiveBytes record;
    record.U32(version).Str("osaka");
    std::vector<CChannelEntry> expected;
    if (version < 2559) {
        for (DWORD slot = 0; slot < 200; ++slot) {
            if (slot == 3) record.U32(1).Str("MBS");
            else if (slot == 42) record.U32(0).Str("ABC");
            else record.U32(0).Str("");
        }
        expected = {{3, 3, "MBS", 1, 0}, {42, 42, "ABC", 0, 0}};
    } else {
        record.U32(2).U32(16).U32(4).Str("MBS").U32(1).U32(27).U32(6).Str("ABC").U32(0);
        expected = {{16, 4, "MBS", 1, 0}, {27, 6, "ABC", 0, 0}};
    }
    const auto p = LoadAndCheckResave<CChannelProfile>(OneRecordFile<CChannelProfile>(record, false), false);
    EXPECT_EQ(p.Name, "osaka");
    EXPECT_EQ(p.Entries, expected);
}

INSTANTIATE_TEST_SUITE_P(Versions, ChannelRecordBoundary, testing::Values(2558u, 2559u));

TEST(ChannelRecord, EntryListRoundTripsByteForByte) {
    ArchiveBytes record;
    record.U32(2662).Str("list").U32(2).U32(12).U32(1).Str("A").U32(1).U32(4).U32(8).Str("\x82\xA0").U32(0);
    const std::vector<BYTE> file = OneRecordFile<CChannelProfile>(record, false);
    auto loaded = LoadListFile<CChannelProfile>(file, false);
    ASSERT_EQ(loaded.profiles[0]->Entries.size(), 2u);
    EXPECT_EQ(loaded.profiles[0]->Entries[1].StationName, "\x82\xA0");
    EXPECT_EQ(StoreListFile(loaded.profiles, loaded.current, false), file);
}

TEST(ChannelRecord, AnEntryCountTheFileCannotHoldIsRefused) {
    ArchiveBytes record;
    record.U32(2662).Str("list").U32(0x10000000).U32(1).U32(1).Str("A").U32(1);
    EXPECT_THROW(LoadListFile<CChannelProfile>(OneRecordFile<CChannelProfile>(record, false), false),
                 CArchiveException);
}

// ---- filter ----

CFilterProfile Chain(const std::string& name, int nodes) {
    CFilterProfile p;
    p.Name = name;
    for (int i = 0; i < nodes; ++i) {
        CFilterNode node;
        node.FilterName = name + std::to_string(i);
        if (i == 0) node.FilterState = {0x5A, 0xA5};
        p.Nodes.push_back(node);
    }
    return p;
}

TEST(FilterFile, TwoProfilesWithTwoNodesGiveTheTagSequence) {
    ProfileList<CFilterProfile> list;
    list.push_back(std::make_unique<CFilterProfile>(Chain("P", 2)));
    list.push_back(std::make_unique<CFilterProfile>(Chain("Q", 2)));
    const std::vector<BYTE> file = StoreListFile(list, list[0].get(), true);

    auto node = [](ArchiveBytes& b, const std::string& name, bool withState) {
        b.U32(2662).Str(name).Str("");
        if (withState) b.U32(2).U8(0x5A).U8(0xA5);
        else b.U32(0);
    };
    ArchiveBytes expected;
    expected.U32(2662).U32(2).I32(0);
    expected.NewClass("CFilterProfile").U32(2662).Str("P").U32(2);
    expected.NewClass("CFilterNode");
    node(expected, "P0", true);
    expected.U16(0x8003);
    node(expected, "P1", false);
    expected.U16(0x8001).U32(2662).Str("Q").U32(2).U16(0x8003);
    node(expected, "Q0", true);
    expected.U16(0x8003);
    node(expected, "Q1", false);
    EXPECT_EQ(file, expected.data);

    auto loaded = LoadListFile<CFilterProfile>(file, true);
    ASSERT_EQ(loaded.profiles.size(), 2u);
    EXPECT_EQ(*loaded.profiles[1], Chain("Q", 2));
    EXPECT_EQ(loaded.current, loaded.profiles[0].get());
}

TEST(FilterFile, ACountingPerListWouldMisreadTheSecondProfile) {
    // Nodes of the second profile that name the node class by 0x8001 (as if counted per list)
    // name the profile class instead and are refused.
    ArchiveBytes bytes;
    bytes.U32(2662).U32(2).I32(-1).NewClass("CFilterProfile").U32(2662).Str("P").U32(1);
    bytes.NewClass("CFilterNode").U32(2662).Str("n").Str("").U32(0);
    bytes.U16(0x8001).U32(2662).Str("Q").U32(1).U16(0x8001).U32(2662).Str("n").Str("").U32(0);
    EXPECT_THROW(LoadListFile<CFilterProfile>(bytes.data, true), CArchiveException);
}

TEST(FilterFile, EmptyChainIsNameAndZero) {
    CFilterProfile p;
    p.Name = "e";
    CArchive ar;
    p.Serialize(ar);
    ArchiveBytes expected;
    expected.U32(2662).Str("e").U32(0);
    EXPECT_EQ(ar.Bytes(), expected.data);
}

TEST(FilterProfile, CopyReplacesTheNodesWithCopies) {
    CFilterProfile target = Chain("T", 3);
    CFilterProfile source = Chain("S", 1);
    target.Copy(source);
    source.Nodes[0].FilterState[0] = 0;
    EXPECT_EQ(target.Name, "S");
    ASSERT_EQ(target.Nodes.size(), 1u);
    EXPECT_EQ(target.Nodes[0].FilterState, (std::vector<BYTE>{0x5A, 0xA5}));
}

// ---- record ----

TEST(RecordRecord, RoundTripsByteForByte) {
    ArchiveBytes record;
    record.U32(2662).Str("dev").Str("comp").Str("mux").Str("comment").Str("/video/").Str("file.avi");
    record.U32(1).I32(946684800).I32(946688400).I32(946600000).I32(15).U32(0x3E).I32(-1).U32(0x12).U32(0);
    const auto p = LoadAndCheckResave<CRecordProfile>(OneRecordFile<CRecordProfile>(record, false), false);
    EXPECT_EQ(p.Dir, "/video/");
    EXPECT_EQ(p.StopTime, 946688400);
    EXPECT_EQ(p.SpinUp, 15);
    EXPECT_EQ(p.Wday, 0x3Eu);
    EXPECT_EQ(p.Channel, -1);
    EXPECT_EQ(p.AudioMode, 0x12u);
}

TEST(RecordProfile, CopyTakesTheStoredFieldsAndActiveOnly) {
    CRecordProfile source;
    source.Comment = "x";
    source.Active = true;
    source.Selected = true;
    source.Conflict = true;
    CRecordProfile target;
    target.Copy(source);
    EXPECT_EQ(target.Comment, "x");
    EXPECT_TRUE(target.Active);
    EXPECT_FALSE(target.Selected);
    EXPECT_FALSE(target.Conflict);
}

// ---- option ----

TEST(OptionFile, DefaultsAreWrittenAsTheirBytes) {
    COptionProfile options;
    ArchiveBytes expected;
    expected.U32(2662).U32(2662).Str("").Str("").Str("").Str("").Str("reclog.txt");
    for (DWORD value : {0, 0, 0, 0, 0, 2, 4, 32, 32, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0,
                        1, 0, 0})
        expected.U32(value);
    EXPECT_EQ(StoreOptionFile(options), expected.data);
    EXPECT_EQ(LoadOptionFile(expected.data), options);
}

TEST(OptionFile, Version2552BodyLacksThePriorityPowerAndTrayFields) {
    ArchiveBytes bytes;
    bytes.U32(2662).U32(2552).Str("m").Str("f").Str("s").Str("t").Str("log");
    bytes.Mark("MovieNaming").Counted(7).Mark("CaptureTimeLimitEnable").Counted(7).Mark("TimeShiftMixer").Counted(1);
    bytes.Mark("AspectX").Counted(3).Mark("GraphRunning").Counted(3);
    const COptionProfile o = LoadOptionFile(bytes.data);
    const auto& m = bytes.marks;
    EXPECT_EQ(o.MovieNaming, m.at("MovieNaming"));
    EXPECT_EQ(o.CaptureTimeLimitEnable, m.at("CaptureTimeLimitEnable"));
    EXPECT_EQ(o.TimeShiftMixer, m.at("TimeShiftMixer"));
    EXPECT_EQ(o.AspectX, m.at("AspectX"));
    EXPECT_EQ(o.PowerAction, m.at("AspectX") + 2);
    EXPECT_EQ(o.GraphRunning, m.at("GraphRunning"));
    EXPECT_EQ(o.ReservationsEnabled, m.at("GraphRunning") + 2);
    const COptionProfile defaults;
    EXPECT_EQ(o.CapturePriority, defaults.CapturePriority);
    EXPECT_EQ(o.NoSuspendWhileRunning, defaults.NoSuspendWhileRunning);
    EXPECT_EQ(o.TrayIcon, defaults.TrayIcon);
    EXPECT_EQ(o.AutoRestoreMinimizeCopy, defaults.AutoRestoreMinimizeCopy);
}

TEST(OptionFile, Version2553BodyHasTheTrayFields) {
    ArchiveBytes bytes;
    bytes.U32(2662).U32(2553).Str("").Str("").Str("").Str("").Str("");
    bytes.Counted(15).Mark("TrayIcon").Counted(5).Mark("PowerSavingArmed").Counted(5);
    const COptionProfile o = LoadOptionFile(bytes.data);
    EXPECT_EQ(o.TrayIcon, bytes.marks.at("TrayIcon"));
    EXPECT_EQ(o.AutoRestoreMinimize, bytes.marks.at("TrayIcon") + 1);
    EXPECT_EQ(o.PowerSavingArmed, bytes.marks.at("PowerSavingArmed"));
    EXPECT_EQ(o.ReservationsEnabled, bytes.marks.at("PowerSavingArmed") + 4);
    EXPECT_EQ(o.CapturePriority, 32u);
}

// The option file's leading word decides the body's layout at exactly 2551: below it the
// older body without a version word, from it on a body with its own version word (here the
// same version, which lacks the tray, priority and power fields).
class OptionFileBoundary : public testing::TestWithParam<DWORD> {};

TEST_P(OptionFileBoundary, ReadsTheBodyOfItsVersion) {
    const DWORD version = GetParam();
    COptionProfile expected;
    expected.MovieDir = "movies";
    expected.MovieFile = "movie.avi";
    expected.StillDir = "stills";
    expected.StillFile = "still.bmp";
    expected.LogFile = "rec.log";
    DWORD next = 100;
    for (DWORD* field : {&expected.MovieNaming, &expected.StillNaming, &expected.StillNumber,
                         &expected.CaptureTimeLimit, &expected.StopDelay, &expected.WakeMinutesBefore,
                         &expected.StandbyMinMinutes, &expected.CaptureTimeLimitEnable,
                         &expected.AllowFullScreenWhileCapturing, &expected.PseudoFileSize, &expected.TimeShiftEnable,
                         &expected.WriteLog, &expected.OverwriteLog, &expected.TimeShiftMixer, &expected.AspectX,
                         &expected.AspectY, &expected.GraphRunning, &expected.AlwaysOnTop,
                         &expected.ReservationsEnabled})
        *field = next++;
    if (version >= 2551) {
        expected.RestoreWindowOnReservation = next++;
        expected.PowerAction = next++;
    }
    const COptionProfile& e = expected;

    ArchiveBytes bytes;
    bytes.U32(version);
    if (version < 2551) {
        bytes.Str(e.MovieDir).Str(e.MovieFile).U32(e.MovieNaming).U32(e.CaptureTimeLimit).U32(e.CaptureTimeLimitEnable);
        bytes.Str(e.StillDir).Str(e.StillFile);
        for (DWORD value : {e.StillNaming, e.StillNumber, e.AlwaysOnTop, e.ReservationsEnabled,
                            e.AllowFullScreenWhileCapturing, e.GraphRunning, e.StopDelay, e.PseudoFileSize, e.AspectX,
                            e.AspectY, e.WakeMinutesBefore, e.StandbyMinMinutes, e.TimeShiftEnable, e.TimeShiftMixer,
                            e.WriteLog, e.OverwriteLog})
            bytes.U32(value);
        bytes.Str(e.LogFile);
    } else {
        bytes.U32(version).Str(e.MovieDir).Str(e.MovieFile).Str(e.StillDir).Str(e.StillFile).Str(e.LogFile);
        for (DWORD value : {e.MovieNaming, e.StillNaming, e.StillNumber, e.CaptureTimeLimit, e.StopDelay,
                            e.WakeMinutesBefore, e.StandbyMinMinutes, e.CaptureTimeLimitEnable,
                            e.AllowFullScreenWhileCapturing, e.PseudoFileSize, e.RestoreWindowOnReservation,
                            e.TimeShiftEnable, e.WriteLog, e.OverwriteLog, e.TimeShiftMixer, e.AspectX, e.AspectY,
                            e.PowerAction, e.GraphRunning, e.AlwaysOnTop, e.ReservationsEnabled})
            bytes.U32(value);
    }
    // Every field not in these layouts keeps its default; comparing whole profiles checks both.
    EXPECT_EQ(LoadOptionFile(bytes.data), expected);
}

INSTANTIATE_TEST_SUITE_P(Versions, OptionFileBoundary, testing::Values(2550u, 2551u, 2552u));

TEST(OptionFile, BelowVersion2551TheBodyHasNoVersionWord) {
    ArchiveBytes bytes;
    bytes.U32(2550).Str("movies").Str("movie.avi").U32(1).U32(3600).U32(1).Str("stills").Str("still.bmp");
    for (DWORD value : {2, 17, 1, 1, 1, 0, 500, 0, 16, 9, 5, 6, 1, 2, 1, 1}) bytes.U32(value);
    bytes.Str("log.txt");
    const COptionProfile o = LoadOptionFile(bytes.data);
    EXPECT_EQ(o.MovieDir, "movies");
    EXPECT_EQ(o.CaptureTimeLimit, 3600u);
    EXPECT_EQ(o.StillFile, "still.bmp");
    EXPECT_EQ(o.StillNumber, 17u);
    EXPECT_EQ(o.GraphRunning, 0u);
    EXPECT_EQ(o.StopDelay, 500u);
    EXPECT_EQ(o.PseudoFileSize, 0u);
    EXPECT_EQ(o.AspectX, 16u);
    EXPECT_EQ(o.StandbyMinMinutes, 6u);
    EXPECT_EQ(o.OverwriteLog, 1u);
    EXPECT_EQ(o.LogFile, "log.txt");
    EXPECT_EQ(o.CapturePriority, 32u);  // not in this layout
    // Saving always writes the current layout.
    EXPECT_EQ(LoadOptionFile(StoreOptionFile(const_cast<COptionProfile&>(o))), o);
}

}  // namespace
