#include "platform/system/read_only_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/temp_environment.h"

namespace {

class ReadOnlyFileTest : public ::testing::Test {
protected:
    void Append(const std::string& text) { std::ofstream(path, std::ios::binary | std::ios::app) << text; }
    std::string ReadAt(const ReadOnlyFile& file, std::uint64_t offset, std::size_t size) {
        std::string bytes(size, '\0');
        return file.ReadExactlyAt(offset, bytes.data(), size) ? bytes : "<short>";
    }

    TempEnvironment environment;
    std::filesystem::path path = environment.Root() / "growing.bin";
};

TEST_F(ReadOnlyFileTest, ReadsAtAnyOffsetAndSeesWhatIsAppendedLater) {
    Append("0123456789");
    ReadOnlyFile file;
    ASSERT_EQ(file.Open(path.string()), 0);
    EXPECT_EQ(ReadAt(file, 3, 4), "3456");
    EXPECT_EQ(ReadAt(file, 0, 2), "01");
    EXPECT_EQ(ReadAt(file, 8, 4), "<short>");
    Append("abcdef");
    EXPECT_EQ(ReadAt(file, 8, 4), "89ab");
    EXPECT_EQ(ReadAt(file, 16, 0), "");
}

TEST_F(ReadOnlyFileTest, AMissingFileGivesItsErrorAndReadsNothing) {
    ReadOnlyFile file;
    EXPECT_EQ(file.Open(path.string()), ENOENT);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadAt(file, 0, 1), "<short>");
}

TEST_F(ReadOnlyFileTest, MovingHandsTheOpenFileOn) {
    Append("xyz");
    ReadOnlyFile first;
    ASSERT_EQ(first.Open(path.string()), 0);
    ReadOnlyFile second = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(ReadAt(second, 1, 2), "yz");
}

}  // namespace
