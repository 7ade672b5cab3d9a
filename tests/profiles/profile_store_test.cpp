#include "profiles/profile_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/profiles/archive_bytes.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

const char* const kAllFiles[] = {"device.dat", "compressor.dat", "channel.dat",     "mux.dat",
                                 "record.dat", "videofilter.dat", "audiofilter.dat", "option.dat"};

class CollectedMessages : public IProfileMessageSink {
public:
    void ShowMessage(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

std::vector<BYTE> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<BYTE>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class ProfileStoreTest : public testing::Test {
protected:
    ProfileStoreTest() : dir_(env_.Root() / "profiles") { fs::create_directories(dir_); }

    std::string Dir() const { return dir_.string() + "/"; }
    std::vector<BYTE> File(const char* name) const { return ReadBytes(dir_ / name); }

    // A store with something in every list and options that differ from the defaults.
    void Fill(CProfileStore& store) {
        for (int i = 0; i < 5; ++i) {
            store.DeviceProfiles.push_back(std::make_unique<CDeviceProfile>());
            store.DeviceProfiles.back()->Name = "device" + std::to_string(i);
            store.DeviceProfiles.back()->AudioCaptureFormat = {1, 2, static_cast<BYTE>(i)};
        }
        store.CurrentDevice = store.DeviceProfiles[3].get();
        store.CompressorProfiles.push_back(std::make_unique<CCompressorProfile>());
        store.CompressorProfiles.back()->VideoFilterState = {7, 7};
        store.CompressorProfiles.push_back(std::make_unique<CCompressorProfile>());
        store.CompressorProfiles.back()->Kind = CCompressorProfile::KindWindowsMedia;
        store.CurrentCompressor = store.CompressorProfiles[1].get();
        store.ChannelProfiles.push_back(std::make_unique<CChannelProfile>());
        store.ChannelProfiles.back()->Entries.push_back({1, 1, "\x82\xA0", 1, 0});
        store.MuxProfiles.push_back(std::make_unique<CMuxProfile>());
        store.MuxProfiles.back()->MSMasterStream = -1;
        store.RecordProfiles.push_back(std::make_unique<CRecordProfile>());
        store.RecordProfiles.back()->Comment = std::string(300, 'c');
        for (auto* list : {&store.VideoFilterProfiles, &store.AudioFilterProfiles}) {
            for (int i = 0; i < 2; ++i) {
                list->push_back(std::make_unique<CFilterProfile>());
                list->back()->Nodes.resize(2);
                list->back()->Nodes[1].FilterState = {9};
            }
        }
        store.CurrentAudioFilter = store.AudioFilterProfiles[1].get();
        store.Options.MovieDir = "/videos/";
        store.Options.CapturePriority = 64;
    }

    TempEnvironment env_;
    fs::path dir_;
    CollectedMessages messages_;
};

TEST_F(ProfileStoreTest, WithNoFilesTheStoreIsEmptyAndASaveWritesEightFiles) {
    CProfileStore store(Dir(), &messages_);
    store.LoadProfileFiles();
    EXPECT_TRUE(store.DeviceProfiles.empty());
    EXPECT_EQ(store.CurrentDevice, nullptr);
    EXPECT_EQ(store.Options, COptionProfile());
    EXPECT_TRUE(messages_.texts.empty());

    ASSERT_TRUE(store.SaveProfileFiles());
    ArchiveBytes withSelection, withoutSelection;
    withSelection.U32(2662).U32(0).I32(-1);
    withoutSelection.U32(2662).U32(0);
    for (const char* name : {"device.dat", "compressor.dat", "mux.dat", "videofilter.dat", "audiofilter.dat"})
        EXPECT_EQ(File(name), withSelection.data) << name;
    for (const char* name : {"channel.dat", "record.dat"}) EXPECT_EQ(File(name), withoutSelection.data) << name;
    EXPECT_EQ(File("option.dat"), StoreOptionFile(store.Options));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 8);
}

TEST_F(ProfileStoreTest, EverythingSavedLoadsBackAndResavesIdentically) {
    {
        CProfileStore store(Dir(), &messages_);
        Fill(store);
        ASSERT_TRUE(store.SaveProfileFiles());
    }
    std::map<std::string, std::vector<BYTE>> first;
    for (const char* name : kAllFiles) first[name] = File(name);

    CProfileStore loaded(Dir(), &messages_);
    loaded.LoadProfileFiles();
    EXPECT_TRUE(messages_.texts.empty());
    ASSERT_EQ(loaded.DeviceProfiles.size(), 5u);
    EXPECT_EQ(loaded.CurrentDevice, loaded.DeviceProfiles[3].get());
    EXPECT_EQ(loaded.CurrentCompressor, loaded.CompressorProfiles[1].get());
    EXPECT_EQ(loaded.CurrentMux, nullptr);
    EXPECT_EQ(loaded.CurrentAudioFilter, loaded.AudioFilterProfiles[1].get());
    EXPECT_EQ(loaded.RecordProfiles[0]->Comment.size(), 300u);
    EXPECT_EQ(loaded.Options.CapturePriority, 64u);

    ASSERT_TRUE(loaded.SaveProfileFiles());
    for (const char* name : kAllFiles) EXPECT_EQ(File(name), first[name]) << name;
}

TEST_F(ProfileStoreTest, DeletingTheCurrentProfileSavesMinusOne) {
    CProfileStore store(Dir(), &messages_);
    Fill(store);
    store.DeviceProfiles.erase(store.DeviceProfiles.begin() + 3);
    ASSERT_TRUE(store.SaveProfileFiles());
    const std::vector<BYTE> device = File("device.dat");
    ASSERT_GE(device.size(), 12u);
    EXPECT_EQ(std::vector<BYTE>(device.begin() + 8, device.begin() + 12), (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(ProfileStoreTest, ASelectionMatchingNoPositionLeavesNoCurrentProfile) {
    ArchiveBytes mux;
    mux.U32(2662).U32(0).I32(7);
    WriteBytes(dir_ / "mux.dat", mux.data);
    CProfileStore store(Dir(), &messages_);
    store.LoadProfileFiles();
    EXPECT_EQ(store.CurrentMux, nullptr);
    EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(ProfileStoreTest, FreeProfilesEmptiesTheListsAndTheSelections) {
    CProfileStore store(Dir(), &messages_);
    Fill(store);
    store.FreeProfiles();
    EXPECT_TRUE(store.DeviceProfiles.empty());
    EXPECT_TRUE(store.AudioFilterProfiles.empty());
    EXPECT_EQ(store.CurrentDevice, nullptr);
    EXPECT_EQ(store.CurrentAudioFilter, nullptr);
    EXPECT_EQ(store.Options.MovieDir, "/videos/");
}

TEST_F(ProfileStoreTest, SavingLeavesNoTemporaryFiles) {
    CProfileStore store(Dir(), &messages_);
    Fill(store);
    ASSERT_TRUE(store.SaveProfileFiles());
    ASSERT_TRUE(store.SaveProfileFiles());
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(ProfileStoreTest, AFileThatCannotBeOpenedIsReportedAndSkipped) {
    fs::create_directory(dir_ / "compressor.dat");
    ArchiveBytes mux;
    mux.U32(2662).U32(0).I32(-1);
    WriteBytes(dir_ / "mux.dat", mux.data);

    CProfileStore store(Dir(), &messages_);
    store.LoadProfileFiles();
    EXPECT_EQ(messages_.texts, std::vector<std::string>{"CFile Open compressor.dat"});

    messages_.texts.clear();
    EXPECT_FALSE(store.SaveProfileFiles());
    EXPECT_EQ(messages_.texts, std::vector<std::string>{"CFile Open compressor.dat"});
    EXPECT_TRUE(fs::is_directory(dir_ / "compressor.dat"));
    EXPECT_EQ(File("mux.dat"), mux.data);  // the other files were written
}

// ---- files that do not load ----

struct DamagedCase {
    const char* name;
    const char* file;
    std::vector<BYTE> bytes;
    std::size_t offset;
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.name; }

std::vector<BYTE> Truncated(std::vector<BYTE> bytes, std::size_t keep) {
    bytes.resize(keep);
    return bytes;
}

std::vector<BYTE> GoodDeviceFile() {
    ProfileList<CDeviceProfile> list;
    list.push_back(std::make_unique<CDeviceProfile>());
    list.push_back(std::make_unique<CDeviceProfile>());
    return StoreListFile(list, list[0].get(), true);
}

std::vector<BYTE> Bytes(const ArchiveBytes& b) { return b.data; }

const DamagedCase kDamaged[] = {
    {"TruncatedRecord", "device.dat", Truncated(GoodDeviceFile(), 3000), 2972},
    {"TruncatedHeader", "record.dat", {0x66, 0x0A, 0x00, 0x00, 0x01}, 4},
    {"UnknownClass", "mux.dat", Bytes(ArchiveBytes().U32(2662).U32(1).I32(0).NewClass("CEvilProfile").U32(2662)), 12},
    {"SchemaOne", "channel.dat",
     Bytes(ArchiveBytes().U32(2662).U32(1).U16(0xFFFF).U16(1).U16(15).Text("CChannelProfile").U32(2662).Str("").U32(0)),
     8},
    {"CountLargerThanTheFile", "compressor.dat", Bytes(ArchiveBytes().U32(2662).U32(0x7FFFFFFF).I32(0)), 12},
    {"StringPastTheEnd", "videofilter.dat",
     Bytes(ArchiveBytes().U32(2662).U32(1).I32(0).NewClass("CFilterProfile").U32(2662).U8(0xFF).U16(0xFFFF).U32(
         0xFFFFFFF0)),
     36},
    {"OptionBodyTruncated", "option.dat", Bytes(ArchiveBytes().U32(2662).U32(2662).Str("a")), 10},
};

class DamagedFile : public ProfileStoreTest, public testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFile, IsReportedSetAsideAndNotOverwritten) {
    const DamagedCase& c = GetParam();
    {
        CProfileStore good(Dir());
        Fill(good);
        ASSERT_TRUE(good.SaveProfileFiles());
    }
    WriteBytes(dir_ / c.file, c.bytes);

    CProfileStore store(Dir(), &messages_);
    store.LoadProfileFiles();
    ASSERT_EQ(store.LoadFailures().size(), 1u);
    const ProfileLoadFailure& failure = store.LoadFailures()[0];
    EXPECT_EQ(failure.FileName, c.file);
    EXPECT_EQ(failure.Offset, c.offset) << failure.Reason;
    ASSERT_EQ(messages_.texts.size(), 1u);
    EXPECT_NE(messages_.texts[0].find(c.file), std::string::npos);
    EXPECT_NE(messages_.texts[0].find("byte " + std::to_string(c.offset)), std::string::npos) << messages_.texts[0];
    EXPECT_NE(messages_.texts[0].find(failure.SetAsideAs), std::string::npos);

    // Set aside under a time-stamped name, before anything could overwrite it.
    EXPECT_EQ(failure.SetAsideAs.rfind(std::string(c.file) + ".damaged-", 0), 0u) << failure.SetAsideAs;
    EXPECT_EQ(ReadBytes(dir_ / failure.SetAsideAs), c.bytes);
    EXPECT_FALSE(fs::exists(dir_ / c.file));

    // The other files loaded; nothing of the damaged one did.
    const std::string file = c.file;
    EXPECT_EQ(store.DeviceProfiles.size(), file == "device.dat" ? 0u : 5u);
    EXPECT_EQ(store.MuxProfiles.size(), file == "mux.dat" ? 0u : 1u);
    EXPECT_EQ(store.AudioFilterProfiles.size(), 2u);
    EXPECT_EQ(store.Options.CapturePriority, file == "option.dat" ? 32u : 64u);

    ASSERT_TRUE(store.SaveProfileFiles());
    EXPECT_EQ(ReadBytes(dir_ / failure.SetAsideAs), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedFile, testing::ValuesIn(kDamaged),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(ProfileStoreTest, ADamagedFileLeftInPlaceIsOnlyReported) {
    WriteBytes(dir_ / "device.dat", {0x66, 0x0A});
    CProfileStore store(Dir(), &messages_);
    store.LoadProfileFiles(CProfileStore::DamagedFiles::LeaveInPlace);
    ASSERT_EQ(store.LoadFailures().size(), 1u);
    EXPECT_TRUE(store.LoadFailures()[0].SetAsideAs.empty());
    EXPECT_EQ(File("device.dat"), (std::vector<BYTE>{0x66, 0x0A}));
    EXPECT_EQ(messages_.texts, std::vector<std::string>{
                                   "device.dat could not be loaded (byte 0: the file ends 2 bytes short of a 4-byte value)."});
}

TEST_F(ProfileStoreTest, TwoFailuresInOneSecondGetTwoNames) {
    for (int i = 0; i < 2; ++i) {
        WriteBytes(dir_ / "record.dat", {static_cast<BYTE>(i)});
        CProfileStore store(Dir(), &messages_);
        store.LoadProfileFiles();
    }
    int setAside = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
        setAside += entry.path().filename().string().rfind("record.dat.damaged-", 0) == 0;
    EXPECT_EQ(setAside, 2);
}

}  // namespace
