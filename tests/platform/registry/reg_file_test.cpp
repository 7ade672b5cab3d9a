#include <gtest/gtest.h>

#include <sstream>

#include "platform/registry/reg_file.h"

namespace {

using registry::ParseRegFile;
using registry::RegFileDocument;
using registry::RegFileKey;
using registry::RegFileValue;
using registry::WriteRegFile;

constexpr std::uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kQword = 11;

RegFileDocument OneKey(std::string path, std::vector<RegFileValue> values) {
    RegFileDocument document;
    document.keys.push_back(RegFileKey{std::move(path), std::move(values), 0});
    return document;
}

RegFileDocument ParseOrFail(const std::string& text) {
    auto result = ParseRegFile(text);
    EXPECT_TRUE(result.document) << "line " << result.errorLine << ": " << result.error << "\n" << text;
    return result.document.value_or(RegFileDocument{});
}

TEST(RegFileParse, ReadsEveryKindOfValue) {
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKEY_CURRENT_USER\\Software\\Talvin]\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=\"C:\\\\dir\\\\\"\r\n"
        "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
        "\"Count\"=dword:0000002a\r\n"
        "\"Bytes\"=hex:01,ff,\\\r\n"
        "  10\r\n"
        "\"Expand\"=hex(2):25,00\r\n"
        "\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\"\\x82\\xa0\"=\"\xE3\x81\x82\"\r\n";
    const RegFileDocument document = ParseOrFail(text);
    ASSERT_EQ(1u, document.keys.size());
    EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Talvin", document.keys[0].path);
    EXPECT_EQ(4, document.keys[0].line);
    const std::vector<RegFileValue> expected = {
        {"", kSz, std::string("default\0", 8)},
        {"Path", kSz, std::string("C:\\dir\\\0", 8)},
        {"Quote", kSz, std::string("say \"hi\"\0", 9)},
        {"Count", kDword, std::string("\x2a\0\0\0", 4)},
        {"Bytes", kBinary, std::string("\x01\xff\x10", 3)},
        {"Expand", kExpandSz, std::string("%\0", 2)},
        {"Big", kQword, std::string("\x01\0\0\0\0\0\0\0", 8)},
        {"\x82\xa0", kSz, std::string("\x82\xa0\0", 3)},  // "あ" by escapes and as UTF-8
    };
    EXPECT_EQ(expected, document.keys[0].values);
}

TEST(RegFileWrite, WritesTheOriginalEditorsSyntax) {
    const RegFileDocument document = OneKey("HKEY_CURRENT_USER\\Software\\Talvin\\Quilldeck2\\Device",
                                            {{"0", kSz, std::string("A\0", 2)},
                                             {"", kDword, std::string("\x01\0\0\0", 4)},
                                             {"Raw", kBinary, "\x01\x02"},
                                             {"NoNul", kSz, "ab"}});
    EXPECT_EQ(
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Talvin\\Quilldeck2\\Device]\n"
        "\"0\"=\"A\"\n"
        "@=dword:00000001\n"
        "\"Raw\"=hex:01,02\n"
        "\"NoNul\"=hex(1):61,62\n"
        "\n",
        WriteRegFile(document));
}

TEST(RegFileWrite, WrapsLongHexDataBelowEightyColumns) {
    const RegFileDocument document = OneKey("HKEY_CURRENT_USER\\T", {{"Layout", kBinary, std::string(300, '\x5a')}});
    const std::string text = WriteRegFile(document);
    std::istringstream lines(text);
    std::string line;
    int continued = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        continued += !line.empty() && line.back() == '\\';
    }
    EXPECT_GT(continued, 3);
    EXPECT_EQ(document, ParseOrFail(text));
}

// Documents whose bytes must come back exactly after a write and a read.
struct RoundTripCase {
    const char* label;
    RegFileDocument document;
};

class RegFileRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RegFileRoundTrip, WriteThenParseGivesTheSameDocument) {
    const RegFileDocument& document = GetParam().document;
    const std::string text = WriteRegFile(document);
    EXPECT_EQ(document, ParseOrFail(text)) << text;
    EXPECT_EQ(text, WriteRegFile(ParseOrFail(text)));
}

const std::string kRokuga = "\x98\x5e\x89\xe6";      // "録画" in CP932
const std::string kHyou = "\x95\x5c\x8e\xa6";        // "表示": second byte is a backslash
const std::string kBroken = "ab\x82";                // a lead byte without its trail byte
const std::string kUnmapped = "\x85\x40";            // a CP932 code without a character

INSTANTIATE_TEST_SUITE_P(
    Documents, RegFileRoundTrip,
    ::testing::Values(
        RoundTripCase{"Plain", OneKey("HKEY_CURRENT_USER\\Software", {{"Name", kSz, std::string("Value\0", 6)}})},
        RoundTripCase{"JapaneseThatConverts",
                      OneKey("HKEY_CURRENT_USER\\" + kRokuga + "\\" + kHyou,
                             {{kRokuga, kSz, kHyou + '\0'}, {kHyou, kSz, kRokuga + '\0'}})},
        RoundTripCase{"NamesThatDoNotConvert",
                      OneKey("HKEY_CURRENT_USER\\" + kBroken + "\\x", {{kBroken, kSz, kBroken + '\0'}, {kUnmapped, kSz, kUnmapped}})},
        RoundTripCase{"EscapesInNames",
                      OneKey("HKEY_CURRENT_USER\\a\"b]", {{"back\\slash \"quoted\"", kSz, std::string("\\\"\0", 3)},
                                                          {"tab\there\nnewline", kSz, std::string("line\nbreak\0", 11)},
                                                          {"\\x41 literally", kSz, std::string("\\x41\0", 5)}})},
        RoundTripCase{"OddStringData",
                      OneKey("HKEY_CURRENT_USER\\S", {{"Empty", kSz, ""},
                                                      {"OnlyNul", kSz, std::string(1, '\0')},
                                                      {"TwoNuls", kSz, std::string("a\0\0", 3)},
                                                      {"Inner", kSz, std::string("a\0b\0", 4)},
                                                      {"Multi", 7, std::string("a\0b\0\0", 5)}})},
        RoundTripCase{"NumbersAndBinary",
                      OneKey("HKEY_LOCAL_MACHINE\\N", {{"D", kDword, std::string("\xff\xfe\0\x80", 4)},
                                                       {"ShortDword", kDword, "\x01\x02"},
                                                       {"Q", kQword, std::string(8, '\x7f')},
                                                       {"None", 0, ""},
                                                       {"Custom", 0x12345, "\x01"},
                                                       {"Bin", kBinary, std::string(256, '\0')}})},
        RoundTripCase{"PathsNeedingTheEncodedForm",
                      [] {
                          RegFileDocument d;
                          d.keys.push_back(RegFileKey{"%starts\\with\\percent", {}, 0});
                          d.keys.push_back(RegFileKey{"-starts\\with\\dash", {}, 0});
                          d.keys.push_back(RegFileKey{"HKEY_CURRENT_USER\\tab\there", {}, 0});
                          d.keys.push_back(RegFileKey{"HKEY_CURRENT_USER\\100%\\" + kBroken, {}, 0});
                          return d;
                      }()},
        RoundTripCase{"RepeatedSections",
                      [] {
                          RegFileDocument d = OneKey("HKEY_CURRENT_USER\\R", {{"v", kSz, std::string("1\0", 2)}});
                          d.keys.push_back(d.keys[0]);
                          d.keys.push_back(RegFileKey{"HKEY_CURRENT_USER\\R\\Empty", {}, 0});
                          return d;
                      }()},
        RoundTripCase{"Empty", RegFileDocument{}}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(RegFileWrite, KeepsConvertibleTextReadableAndBrokenTextEscaped) {
    const std::string text = WriteRegFile(OneKey("HKEY_CURRENT_USER\\" + kRokuga,
                                                 {{kRokuga, kSz, kRokuga + '\0'}, {kBroken, kSz, kBroken + '\0'}}));
    EXPECT_NE(std::string::npos, text.find("[HKEY_CURRENT_USER\\\xE9\x8C\xB2\xE7\x94\xBB]")) << text;
    EXPECT_NE(std::string::npos, text.find("\"\xE9\x8C\xB2\xE7\x94\xBB\"=\"\xE9\x8C\xB2\xE7\x94\xBB\"")) << text;
    EXPECT_NE(std::string::npos, text.find("\"ab\\x82\"=hex(1):61,62,82,00")) << text;
}

TEST(RegFilePath, SplitsOnlyAtRealSeparators) {
    EXPECT_EQ((std::vector<std::string>{"HKEY_CURRENT_USER", kHyou, "x"}),
              registry::SplitKeyPath("HKEY_CURRENT_USER\\" + kHyou + "\\x"));
    EXPECT_EQ((std::vector<std::string>{"a", "", "b", ""}), registry::SplitKeyPath("a\\\\b\\"));
}

struct SyntaxErrorCase {
    const char* label;
    std::string text;
    int line;
};

class RegFileSyntaxError : public ::testing::TestWithParam<SyntaxErrorCase> {};

TEST_P(RegFileSyntaxError, IsReportedWithItsLine) {
    const auto result = ParseRegFile(GetParam().text);
    EXPECT_FALSE(result.document);
    EXPECT_EQ(GetParam().line, result.errorLine) << result.error;
    EXPECT_FALSE(result.error.empty());
}

const std::string kHead = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n";  // three lines

INSTANTIATE_TEST_SUITE_P(
    Texts, RegFileSyntaxError,
    ::testing::Values(SyntaxErrorCase{"MissingHeader", "\n[HKEY_CURRENT_USER\\K]\n", 2},
                      SyntaxErrorCase{"OldHeader", "REGEDIT4\n", 1},
                      SyntaxErrorCase{"ValueBeforeKey", "Windows Registry Editor Version 5.00\n\"a\"=\"b\"\n", 2},
                      SyntaxErrorCase{"UnclosedKey", kHead + "[HKEY_CURRENT_USER\\X\n", 4},
                      SyntaxErrorCase{"EmptyKeyName", kHead + "[HKEY_CURRENT_USER\\\\X]\n", 4},
                      SyntaxErrorCase{"KeyRemoval", kHead + "[-HKEY_CURRENT_USER\\X]\n", 4},
                      SyntaxErrorCase{"BadPercentEscape", kHead + "[%HKEY_CURRENT_USER\\%8]\n", 4},
                      SyntaxErrorCase{"UnclosedName", kHead + "\"abc=\"x\"\n", 4},
                      SyntaxErrorCase{"UnclosedString", kHead + "\"a\"=\"x\\\"\n", 4},
                      SyntaxErrorCase{"TextAfterString", kHead + "\"a\"=\"x\" y\n", 4},
                      SyntaxErrorCase{"MissingEquals", kHead + "\"a\" \"x\"\n", 4},
                      SyntaxErrorCase{"ValueRemoval", kHead + "\"a\"=-\n", 4},
                      SyntaxErrorCase{"LongDword", kHead + "\"a\"=dword:123456789\n", 4},
                      SyntaxErrorCase{"BadDword", kHead + "\"a\"=dword:xyz\n", 4},
                      SyntaxErrorCase{"BadHexByte", kHead + "\"a\"=hex:01,2g\n", 4},
                      SyntaxErrorCase{"HexByteTooLong", kHead + "\"a\"=hex:012\n", 4},
                      SyntaxErrorCase{"HexBadType", kHead + "\"a\"=hex(zz):01\n", 4},
                      SyntaxErrorCase{"ContinuedPastEnd", kHead + "\"a\"=hex:01,\\\n", 4},
                      SyntaxErrorCase{"ErrorOnContinuationLine", kHead + "\"a\"=hex:01,\\\n  0x\n", 5},
                      SyntaxErrorCase{"NotUtf8", kHead + "\"a\"=\"\x82\xa0\"\n", 4},
                      SyntaxErrorCase{"NoCp932Form", kHead + "\"a\"=\"\xF0\x9F\x8E\xA5\"\n", 4},
                      SyntaxErrorCase{"NulInName", kHead + "\"a\\x00\"=\"x\"\n", 4},
                      SyntaxErrorCase{"StrayLine", kHead + "junk\n", 4}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(RegFileParse, EmptyTextIsAnEmptyDocument) {
    EXPECT_EQ(RegFileDocument{}, ParseOrFail(""));
    EXPECT_EQ(RegFileDocument{}, ParseOrFail("\n  \n"));
}

}  // namespace
