#include "profiles/archive.h"

#include <gtest/gtest.h>

#include "profiles/mux_profile.h"
#include "profiles/profile_file.h"
#include "tests/profiles/archive_bytes.h"

namespace {

struct StringPrefixCase {
    std::size_t length;
    std::vector<BYTE> prefix;
};

class StringPrefix : public testing::TestWithParam<StringPrefixCase> {};

TEST_P(StringPrefix, IsWrittenAndReadBack) {
    const std::string text(GetParam().length, 'x');
    CArchive store;
    store.WriteString(text);
    const std::vector<BYTE>& bytes = store.Bytes();
    ASSERT_EQ(bytes.size(), GetParam().prefix.size() + text.size());
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + GetParam().prefix.size()), GetParam().prefix);

    CArchive load(bytes);
    EXPECT_EQ(load.ReadString(), text);
    EXPECT_TRUE(load.AtEnd());
}

INSTANTIATE_TEST_SUITE_P(Lengths, StringPrefix,
                         testing::Values(StringPrefixCase{0, {0x00}}, StringPrefixCase{254, {0xFE}},
                                         StringPrefixCase{255, {0xFF, 0xFF, 0x00}},
                                         StringPrefixCase{300, {0xFF, 0x2C, 0x01}},
                                         StringPrefixCase{65533, {0xFF, 0xFD, 0xFF}},
                                         StringPrefixCase{65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                                         StringPrefixCase{70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}}));

TEST(ArchiveStrings, TwoByteTextIsReadAsCodePage932) {
    // FF FE FF marks two-byte text; then the length in characters and UTF-16LE: "Aあ".
    const std::vector<BYTE> bytes = {0xFF, 0xFE, 0xFF, 0x02, 'A', 0x00, 0x42, 0x30};
    CArchive load(bytes);
    EXPECT_EQ(load.ReadString(), "A\x82\xA0");
}

struct Refusal {
    const char* name;
    std::vector<BYTE> bytes;
    std::size_t offset;
};

class RefusedString : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedString, ThrowsWithTheOffsetOfThePrefix) {
    CArchive load(GetParam().bytes);
    try {
        load.ReadString();
        FAIL() << "no exception";
    } catch (const CArchiveException& error) {
        EXPECT_EQ(error.Offset(), GetParam().offset) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedString,
    testing::Values(Refusal{"ShortLengthPastEnd", {0x05, 'a', 'b'}, 0},
                    Refusal{"WordLengthPastEnd", {0xFF, 0x00, 0x01, 'a'}, 0},
                    Refusal{"HugeDwordLength", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0},
                    Refusal{"TruncatedPrefix", {0xFF, 0x01}, 1},
                    Refusal{"HugeTwoByteLength", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}, 0},
                    Refusal{"UnconvertibleTwoByteText", {0xFF, 0xFE, 0xFF, 0x01, 0x00, 0xD8}, 0}),
    [](const auto& testInfo) { return testInfo.param.name; });

TEST(ArchiveObjects, ClassIsDescribedOnceAndReferencedAfterwards) {
    CArchive store;
    store.WriteObjectHeader("CMuxProfile");
    store.WriteObjectHeader("CMuxProfile");
    store.WriteObjectHeader("CMuxProfile");
    ArchiveBytes expected;
    expected.NewClass("CMuxProfile").U16(0x8001).U16(0x8001);
    EXPECT_EQ(store.Bytes(), expected.data);

    CArchive load(expected.data);
    for (int i = 0; i < 3; ++i) EXPECT_NO_THROW(load.ReadObjectHeader("CMuxProfile"));
}

// Once the index passes 0x7FFE, class references take the long form 0x7FFF + 0x80000000|index.
TEST(ArchiveObjects, LongFormClassReferences) {
    CArchive store;
    for (int i = 0; i < 0x3FFF; ++i) store.WriteObjectHeader("A");  // class 1, objects 2 .. 0x4000
    store.WriteObjectHeader("B");                                    // class 0x4001, object 0x4002
    for (int i = 0; i < 0x3FFC; ++i) store.WriteObjectHeader("A");  // objects up to 0x7FFE
    store.WriteObjectHeader("C");                                    // class 0x7FFF
    store.WriteObjectHeader("C");
    const std::vector<BYTE>& bytes = store.Bytes();
    const std::vector<BYTE> tail(bytes.end() - 6, bytes.end());
    EXPECT_EQ(tail, (std::vector<BYTE>{0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x80}));

    CArchive load(bytes);
    for (int i = 0; i < 0x3FFF; ++i) load.ReadObjectHeader("A");
    load.ReadObjectHeader("B");
    for (int i = 0; i < 0x3FFC; ++i) load.ReadObjectHeader("A");
    load.ReadObjectHeader("C");
    EXPECT_NO_THROW(load.ReadObjectHeader("C"));
    EXPECT_TRUE(load.AtEnd());
}

class RefusedRecord : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedRecord, ThrowsAtTheTag) {
    ArchiveBytes bytes;
    bytes.NewClass("CMuxProfile").Append(GetParam().bytes);
    CArchive load(bytes.data);
    load.ReadObjectHeader("CMuxProfile");
    try {
        load.ReadObjectHeader("CMuxProfile");
        FAIL() << "no exception";
    } catch (const CArchiveException& error) {
        EXPECT_EQ(error.Offset(), GetParam().offset) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedRecord,
    testing::Values(Refusal{"UnknownClassName", {0xFF, 0xFF, 0, 0, 3, 0, 'C', 'X', 'y'}, 17},
                    Refusal{"SchemaOne", {0xFF, 0xFF, 1, 0, 11, 0, 'C', 'M', 'u', 'x', 'P', 'r', 'o', 'f', 'i', 'l', 'e'}, 17},
                    Refusal{"ClassNamePastEnd", {0xFF, 0xFF, 0, 0, 200, 0, 'C'}, 17},
                    Refusal{"NullObject", {0x00, 0x00}, 17},
                    Refusal{"ObjectReference", {0x02, 0x00}, 17},
                    Refusal{"ReferenceToTheObjectNotTheClass", {0x02, 0x80}, 17},
                    Refusal{"UndescribedClass", {0x05, 0x80}, 17},
                    Refusal{"LongObjectReference", {0xFF, 0x7F, 0x02, 0, 0, 0}, 17},
                    Refusal{"TruncatedTag", {0x01}, 17}),
    [](const auto& testInfo) { return testInfo.param.name; });

TEST(ArchiveObjects, AClassOfAnotherListIsRefused) {
    ArchiveBytes bytes;
    bytes.NewClass("CDeviceProfile");
    CArchive load(bytes.data);
    EXPECT_THROW(load.ReadObjectHeader("CMuxProfile"), CArchiveException);
}

TEST(ArchiveCounts, ACountTheRestCannotHoldIsRefused) {
    const std::vector<BYTE> bytes(60, 0);
    CArchive load(bytes);
    EXPECT_NO_THROW(load.RequireItems(10, 6, "profiles"));
    EXPECT_THROW(load.RequireItems(11, 6, "profiles"), CArchiveException);
    EXPECT_THROW(load.RequireItems(0xFFFFFFFFFFull, 6, "profiles"), CArchiveException);
}

TEST(ArchiveBlobs, ALengthPastTheEndIsRefusedBeforeAllocating) {
    const std::vector<BYTE> bytes(8, 0);
    CArchive load(bytes);
    std::vector<BYTE> blob;
    EXPECT_THROW(load.TransferBlob(blob, 0xFFFFFFF0u), CArchiveException);
    EXPECT_TRUE(blob.empty());
    load.TransferBlob(blob, 8);
    EXPECT_EQ(blob.size(), 8u);
}

}  // namespace

// ---- whether loaded bytes are exactly what storing writes ----

namespace {

// A mux file of one record whose name is written with `namePrefix` (then "mux").
std::vector<BYTE> MuxFileWithNamePrefix(DWORD fileVersion, DWORD recordVersion, const std::vector<BYTE>& namePrefix,
                                        LONG selection = 0) {
    ArchiveBytes b;
    b.U32(fileVersion).U32(1).I32(selection).NewClass("CMuxProfile").U32(recordVersion);
    b.Append(namePrefix).Text("mux").Zeros(4 * 49);  // the 49 number slots of a current record
    return b.data;
}

struct CurrentFormCase {
    const char* what;
    std::vector<BYTE> file;
    bool current;
};

class CurrentForm : public testing::TestWithParam<CurrentFormCase> {};

TEST_P(CurrentForm, IsReportedByTheLoader) {
    const CurrentFormCase& c = GetParam();
    bool current = !c.current;
    const auto loaded = LoadListFile<CMuxProfile>(c.file, true, &current);
    EXPECT_EQ(current, c.current) << c.what;
    const std::vector<BYTE> written = StoreListFile(loaded.profiles, loaded.current, true);
    EXPECT_EQ(written == c.file, c.current) << c.what;
}

// Two mux records; the second names its class again instead of referring to the first's.
std::vector<BYTE> TwoMuxRecords(bool describeClassAgain) {
    ArchiveBytes b;
    b.U32(2662).U32(2).I32(-1).NewClass("CMuxProfile").U32(2662).Str("a").Zeros(4 * 49);
    if (describeClassAgain)
        b.NewClass("CMuxProfile");
    else
        b.U16(0x8001);
    b.U32(2662).Str("b").Zeros(4 * 49);
    return b.data;
}

std::vector<BYTE> NegativeCount() {
    ArchiveBytes b;
    b.U32(2662).I32(-1).I32(-1);
    return b.data;
}

std::vector<BYTE> WithTrailingByte(std::vector<BYTE> bytes) {
    bytes.push_back(0);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CurrentForm,
    testing::Values(CurrentFormCase{"as written", MuxFileWithNamePrefix(2662, 2662, {3}), true},
                    CurrentFormCase{"no current profile", MuxFileWithNamePrefix(2662, 2662, {3}, -1), true},
                    CurrentFormCase{"second record refers to its class", TwoMuxRecords(false), true},
                    CurrentFormCase{"second record describes its class again", TwoMuxRecords(true), false},
                    CurrentFormCase{"negative count of an empty list", NegativeCount(), false},
                    CurrentFormCase{"older file word", MuxFileWithNamePrefix(2661, 2662, {3}), false},
                    CurrentFormCase{"older record", MuxFileWithNamePrefix(2662, 2661, {3}), false},
                    CurrentFormCase{"selection past the list", MuxFileWithNamePrefix(2662, 2662, {3}, 4), false},
                    CurrentFormCase{"word length prefix", MuxFileWithNamePrefix(2662, 2662, {0xFF, 3, 0}), false},
                    CurrentFormCase{"long length prefix",
                                    MuxFileWithNamePrefix(2662, 2662, {0xFF, 0xFF, 0xFF, 3, 0, 0, 0}), false},
                    CurrentFormCase{"bytes after the last record",
                                    WithTrailingByte(MuxFileWithNamePrefix(2662, 2662, {3})), false}));

}  // namespace
