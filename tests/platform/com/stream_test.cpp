#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/com/stream.h"

namespace {

LARGE_INTEGER Offset(LONGLONG value) {
    LARGE_INTEGER li;
    li.QuadPart = value;
    return li;
}

ULARGE_INTEGER Size(ULONGLONG value) {
    ULARGE_INTEGER ui;
    ui.QuadPart = value;
    return ui;
}

class MemoryStreamTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf())); }

    ULONGLONG StatSize() {
        STATSTG stat{};
        EXPECT_EQ(S_OK, stream->Stat(&stat, STATFLAG_NONAME));
        EXPECT_EQ(nullptr, stat.pwcsName);
        EXPECT_EQ(STGTY_STREAM, stat.type);
        return stat.cbSize.QuadPart;
    }

    ULONGLONG Position() {
        ULARGE_INTEGER pos{};
        EXPECT_EQ(S_OK, stream->Seek(Offset(0), STREAM_SEEK_CUR, &pos));
        return pos.QuadPart;
    }

    void Write(const char* text) {
        ULONG written = 0;
        ASSERT_EQ(S_OK, stream->Write(text, static_cast<ULONG>(std::strlen(text)), &written));
        ASSERT_EQ(std::strlen(text), written);
    }

    ComPtr<IStream> stream;
};

TEST_F(MemoryStreamTest, StartsEmptyAndGrowsAsItIsWritten) {
    EXPECT_EQ(0u, StatSize());
    Write("hello");
    Write(" world");
    EXPECT_EQ(11u, StatSize());
    EXPECT_EQ(11u, Position());
}

TEST_F(MemoryStreamTest, ReadAfterRewindGivesTheBytesBack) {
    Write("0123456789");
    ASSERT_EQ(S_OK, stream->Seek(Offset(0), STREAM_SEEK_SET, nullptr));
    std::array<char, 4> buffer{};
    ULONG read = 0;
    ASSERT_EQ(S_OK, stream->Read(buffer.data(), 4, &read));
    EXPECT_EQ(4u, read);
    EXPECT_EQ(0, std::memcmp("0123", buffer.data(), 4));
    EXPECT_EQ(4u, Position());
}

TEST_F(MemoryStreamTest, ReadingPastTheEndGivesFewerBytesWithSOk) {
    Write("abc");
    ASSERT_EQ(S_OK, stream->Seek(Offset(1), STREAM_SEEK_SET, nullptr));
    std::array<char, 16> buffer{};
    ULONG read = 99;
    EXPECT_EQ(S_OK, stream->Read(buffer.data(), 16, &read));
    EXPECT_EQ(2u, read);
    EXPECT_EQ(S_OK, stream->Read(buffer.data(), 16, &read));
    EXPECT_EQ(0u, read);
    EXPECT_EQ(S_OK, stream->Read(buffer.data(), 16, nullptr));
}

TEST_F(MemoryStreamTest, SeekBeyondTheEndThenWriteFillsTheGapWithZeros) {
    Write("ab");
    ULARGE_INTEGER pos{};
    ASSERT_EQ(S_OK, stream->Seek(Offset(6), STREAM_SEEK_END, &pos));
    EXPECT_EQ(8u, pos.QuadPart);
    EXPECT_EQ(2u, StatSize()) << "seeking alone does not grow the stream";
    Write("z");
    EXPECT_EQ(9u, StatSize());
    ASSERT_EQ(S_OK, stream->Seek(Offset(0), STREAM_SEEK_SET, nullptr));
    std::array<char, 9> buffer{};
    ULONG read = 0;
    ASSERT_EQ(S_OK, stream->Read(buffer.data(), 9, &read));
    EXPECT_EQ(0, std::memcmp("ab\0\0\0\0\0\0z", buffer.data(), 9));
}

TEST_F(MemoryStreamTest, SeekBeforeTheStartOrWithABadOriginIsRefused) {
    Write("abc");
    ULARGE_INTEGER pos{};
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(Offset(-4), STREAM_SEEK_END, &pos));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(Offset(-1), STREAM_SEEK_SET, &pos));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(Offset(0), 3, &pos));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(Offset(MAXLONGLONG), STREAM_SEEK_END, &pos));
    EXPECT_EQ(3u, Position()) << "a refused seek leaves the position";
    EXPECT_EQ(S_OK, stream->Seek(Offset(-1), STREAM_SEEK_CUR, &pos));
    EXPECT_EQ(2u, pos.QuadPart);
}

TEST_F(MemoryStreamTest, SetSizeTruncatesOrExtendsWithoutMovingThePosition) {
    Write("abcdef");
    ASSERT_EQ(S_OK, stream->SetSize(Size(3)));
    EXPECT_EQ(3u, StatSize());
    EXPECT_EQ(6u, Position());
    ASSERT_EQ(S_OK, stream->SetSize(Size(5)));
    ASSERT_EQ(S_OK, stream->Seek(Offset(0), STREAM_SEEK_SET, nullptr));
    std::array<char, 5> buffer{};
    ULONG read = 0;
    ASSERT_EQ(S_OK, stream->Read(buffer.data(), 5, &read));
    EXPECT_EQ(0, std::memcmp("abc\0\0", buffer.data(), 5));
}

TEST_F(MemoryStreamTest, AbsurdSizesAreRefusedAndLeaveTheStreamIntact) {
    Write("keep");
    EXPECT_EQ(STG_E_MEDIUMFULL, stream->SetSize(Size(1ull << 40)));
    ASSERT_EQ(S_OK, stream->Seek(Offset(1ll << 40), STREAM_SEEK_SET, nullptr));
    ULONG written = 7;
    EXPECT_EQ(STG_E_MEDIUMFULL, stream->Write("x", 1, &written));
    EXPECT_EQ(0u, written);
    EXPECT_EQ(4u, StatSize());
}

TEST_F(MemoryStreamTest, NullBuffersAndUnsupportedCallsAnswerCleanly) {
    ULONG count = 5;
    EXPECT_EQ(STG_E_INVALIDPOINTER, stream->Read(nullptr, 1, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(STG_E_INVALIDPOINTER, stream->Write(nullptr, 1, &count));
    EXPECT_EQ(STG_E_INVALIDPOINTER, stream->Stat(nullptr, STATFLAG_NONAME));
    EXPECT_EQ(S_OK, stream->Commit(0));
    IStream* clone = reinterpret_cast<IStream*>(0x1);
    EXPECT_EQ(E_NOTIMPL, stream->Clone(&clone));
    EXPECT_EQ(nullptr, clone);
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->LockRegion(Size(0), Size(1), LOCK_WRITE));
}

TEST(CreateStreamOnHGlobal, RefusesAGlobalHandleAndANullOut) {
    IStream* stream = reinterpret_cast<IStream*>(0x1);
    int fake = 0;
    EXPECT_EQ(E_INVALIDARG, CreateStreamOnHGlobal(&fake, TRUE, &stream));
    EXPECT_EQ(nullptr, stream);
    EXPECT_EQ(E_INVALIDARG, CreateStreamOnHGlobal(nullptr, TRUE, nullptr));
}

}  // namespace
