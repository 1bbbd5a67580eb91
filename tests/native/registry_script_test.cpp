#include "script/registry_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Splits at CR LF; a text that ends in CR LF gives an empty last piece.
std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

// What stands between the second pair of double quotes of the script's fourth line.
std::string InstallFolderValue(const std::string& script) {
    const std::string line = SplitCrLf(script).at(3);
    const std::string prefix = "\"InstallFolder\"=\"";
    EXPECT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
    EXPECT_EQ(line.back(), '"') << line;
    return line.substr(prefix.size(), line.size() - prefix.size() - 1);
}

const std::string kCheng = "\xD5\x5C";  // 誠 in code page 936: its second byte is a backslash

TEST(Scripts, PlaceholderIsStoredAsCodePage936Bytes) {
    EXPECT_EQ(std::string(kInstallPathPlaceholder), "\xD3\xCE\xCF\xB7\xC2\xB7\xBE\xB6");
}

TEST(Scripts, ImportTemplateHasItsNineCrLfLines) {
    const std::vector<std::string> expected = {
        "Windows Registry Editor Version 5.00",
        "",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt]",
        "\"InstallFolder\"=\"" + std::string(kInstallPathPlaceholder) + "\"",
        "\"Release\"=\"EFIGS\"",
        "\"Language\"=\"EN\"",
        "",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt\\1.00.0000]",
        "",
        "",  // after the ninth line's CR LF
    };
    const std::string script = kImportScriptTemplate;
    EXPECT_EQ(SplitCrLf(script), expected);
    // No lone CR or LF hides between the lines.
    size_t bareBreaks = 0;
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '\n' && (i == 0 || script[i - 1] != '\r')) ++bareBreaks;
        if (script[i] == '\r' && (i + 1 == script.size() || script[i + 1] != '\n')) ++bareBreaks;
    }
    EXPECT_EQ(bareBreaks, 0u);
}

TEST(Scripts, RemovalScriptEndsInItsBracketWithoutLineEnd) {
    const std::vector<std::string> expected = {
        "Windows Registry Editor Version 5.00",
        "",
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlenwick\\Varnholt]",
    };
    EXPECT_EQ(SplitCrLf(kRemovalScript), expected);
}

struct ReplaceCase {
    const char* name;
    std::string source, search, replacement, expected;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.name; }

class ReplaceAllTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAllTest, GivesExpectedBytes) {
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(ReplaceAll(c.source, c.search, c.replacement), c.expected);
}

const std::string kPlaceholder = kInstallPathPlaceholder;

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    testing::Values(
        ReplaceCase{"EmptySource", "", "a", "b", ""},
        ReplaceCase{"EmptySearchKeepsSource", "abc", "", "x", "abc"},
        ReplaceCase{"EveryOccurrence", "a\\b\\c", "\\", "\\\\", "a\\\\b\\\\c"},
        ReplaceCase{"MatchesDoNotOverlap", "aaa", "aa", "b", "ba"},
        ReplaceCase{"ReplacementIsNotScannedAgain", "ab", "a", "aa", "aab"},
        ReplaceCase{"ReplacementMayBeEmpty", "a-b-c", "-", "", "abc"},
        ReplaceCase{"NoCaseFolding", "ABC", "b", "x", "ABC"},
        ReplaceCase{"TrailByteBackslashIsNotAMatch", "D:\\" + kCheng + "\\G", "\\", "\\\\",
                    "D:\\\\" + kCheng + "\\\\G"},
        ReplaceCase{"Byte80OpensAPairToo", "\x80\\x", "\\", "/", "\x80\\x"},
        ReplaceCase{"ByteFFOpensAPairToo", "\xFF\\x", "\\", "/", "\xFF\\x"},
        ReplaceCase{"LoneLeadByteAtEndIsDroppedForOneByteSearch", "ab\xB0", "\\", "\\\\", "ab"},
        ReplaceCase{"LoneLeadByteAtEndIsKeptForLongSearch", "ab\xB0", kPlaceholder, "x",
                    "ab\xB0"},
        ReplaceCase{"TailShorterThanSearchIsCopied", "x" + kPlaceholder.substr(0, 7),
                    kPlaceholder, "y", "x" + kPlaceholder.substr(0, 7)},
        ReplaceCase{"MatchAfterTwoByteCharacter", "\xD5\x5C" + kPlaceholder + "!", kPlaceholder,
                    "P", "\xD5\x5CP!"},
        ReplaceCase{"MatchNeverStartsAtSecondByte", "\xB0\xC1\xC1\xB0", "\xC1\xC1", "x",
                    "\xB0\xC1\xC1\xB0"}),
    [](const testing::TestParamInfo<ReplaceCase>& info) { return info.param.name; });

struct FillCase {
    const char* name;
    std::string runDirectory;
    std::string installFolder;  // as it must stand in line 4
};

void PrintTo(const FillCase& c, std::ostream* os) { *os << c.name; }

class FillInstallPathTest : public testing::TestWithParam<FillCase> {};

TEST_P(FillInstallPathTest, EscapesTheRunDirectoryIntoLineFourOnly) {
    const FillCase& c = GetParam();
    const std::string filled = FillInstallPathInto(kImportScriptTemplate, c.runDirectory);
    EXPECT_EQ(InstallFolderValue(filled), c.installFolder);

    std::vector<std::string> before = SplitCrLf(kImportScriptTemplate);
    std::vector<std::string> after = SplitCrLf(filled);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        if (i != 3) {
            EXPECT_EQ(after[i], before[i]) << "line " << i + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FillInstallPathTest,
    testing::Values(FillCase{"Folder", "D:\\Games\\Game", "D:\\\\Games\\\\Game"},
                    FillCase{"DriveRoot", "C:", "C:"},
                    FillCase{"NetworkShare", "\\\\server\\share\\Game",
                             "\\\\\\\\server\\\\share\\\\Game"},
                    FillCase{"TwoByteCharacterWithBackslashTrail", "D:\\" + kCheng + "\\Game",
                             "D:\\\\" + kCheng + "\\\\Game"},
                    FillCase{"EmptyRunDirectory", "", ""},
                    FillCase{"RunDirectoryHoldingThePlaceholder", "D:\\" + kPlaceholder,
                             "D:\\\\" + kPlaceholder}),
    [](const testing::TestParamInfo<FillCase>& info) { return info.param.name; });

TEST(FillInstallPath, TwoByteCharacterBytesAreCopiedWhole) {
    const std::string runDirectory = "D:\\" + kCheng + "\\Game";
    const std::string filled = FillInstallPathInto(kImportScriptTemplate, runDirectory);
    // 44 3A 5C D5 5C 5C 47 becomes 44 3A 5C 5C D5 5C 5C 5C 47: the pair's 5C is not doubled.
    EXPECT_NE(filled.find("\x44\x3A\x5C\x5C\xD5\x5C\x5C\x5C\x47"), std::string::npos);
}

TEST(FillInstallPath, ScriptsWithoutOrWithSeveralPlaceholders) {
    EXPECT_EQ(FillInstallPathInto("", "D:\\G"), "");
    EXPECT_EQ(FillInstallPathInto("no placeholder\r\n", "D:\\G"), "no placeholder\r\n");
    EXPECT_EQ(FillInstallPathInto(kPlaceholder + "|" + kPlaceholder, "D:\\G"),
              "D:\\\\G|D:\\\\G");
}

}  // namespace
