#include <gtest/gtest.h>

#include "engine/messages.h"
#include "engine/paths.h"
#include "ui/version_check.h"

// Code page 932: 0x95 0x5C is one character whose second byte is a backslash.
const unsigned char kRanges932[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0};
const LeadBytes kSingleByte, k932(kRanges932, sizeof kRanges932);

TEST(SplitPath, FolderBaseNameExtension)
{
    const struct {
        const LeadBytes& lead;
        const char *path, *split;  // folder|base name|extension
    } cases[] = {
        {kSingleByte, "C:\\Tools\\setup.exe", "C:\\Tools|setup|exe"}, {kSingleByte, "archive.tar.gz", "|archive.tar|gz"},
        {kSingleByte, "C:\\dir.d\\file", "C:\\dir.d|file|"},        {kSingleByte, "C:\\dir\\", "C:\\dir||"},
        {kSingleByte, "D:/a/b.txt", "D:/a|b|txt"},                   {kSingleByte, "C:\\dir\\.x", "C:\\dir||x"},
        {kSingleByte, "C:\\Setup\x95\\inst.exe", "C:\\Setup\x95|inst|exe"}, {k932, "C:\\Setup\x95\\inst.exe", "C:|Setup\x95\\inst|exe"},
        {k932, "C:\\Setup\x95\\\\inst.exe", "C:\\Setup\x95\\|inst|exe"}, {k932, "C:\\Setup\x95\\", "C:|Setup\x95\\|"},
        {k932, "C:\\a.b\x95\\c", "C:|a|b\x95\\c"},
        {k932, "C:\\\x95\\.x\x95", "C:|\x95\\|x\x95"},  // a lead byte cut off at the end stands alone
    };
    for (const auto& c : cases) {
        std::string folder = "old", baseName = "old", extension = "old";
        EXPECT_EQ(SplitPath(c.path, folder, baseName, extension, c.lead), 1);
        EXPECT_EQ(folder + "|" + baseName + "|" + extension, c.split) << c.path;
    }
}

// Every trailing backslash goes, and never the second byte of a character.
TEST(StripTrailingBackslashes, WholeCharacters)
{
    const struct {
        const LeadBytes& lead;
        std::string path, stripped;
    } cases[] = {
        {kSingleByte, "C:\\PS\\\\", "C:\\PS"}, {kSingleByte, "C:\\PS", "C:\\PS"},     {kSingleByte, "\\\\", ""},
        {k932, "C:\\\x95\\\\\\", "C:\\\x95\\"}, {k932, "C:\\\x88\x9F\\", "C:\\\x88\x9F"}, {kSingleByte, "C:\\\x95\\", "C:\\\x95"},
    };
    for (auto c : cases) {
        StripTrailingBackslashes(c.path, c.lead);
        EXPECT_EQ(c.path, c.stripped);
    }
}

TEST(IsPlainFileName, OnlyNamesThatReachTheFileSystemAsThemselves)
{
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"a.8bf", true},     {L"LICENSE", true},    {L".hidden", true},   {L"\u8868.8bf", true},  {L"COM10.8bf", true},
        {L"console.8bf", true}, {L"", false},        {L".", false},        {L"..", false},          {L"a.8bf.", false},
        {L"a.8bf ", false},   {L"a\\b", false},     {L"a/b", false},      {L"c:a", false},         {L"a*", false},
        {L"a?", false},       {L"a\"", false},       {L"a<", false},       {L"a>", false},          {L"a|b", false},
        {L"a\tb", false},     {L"NUL", false},       {L"nul.8bf", false},  {L"Con .txt", false},    {L"aux.a.b", false},
        {L"PRN", false},      {L"com1.8bf", false},  {L"LPT9", false},     {L"com\u00B9.8bf", false}, {L"CONIN$", false},
        {L"LONGPL~1.8BF", false}, {L"a~1", false},   {L"Blur~x.8bf", true}, {L"Morvask Blur~2.8bf", true}, {L"a~1.8bfx", true},
        {L"A~B~C~~1.8BF", false}, {L"A~B~1", false},
    };
    for (const auto& [name, plain] : cases)
        EXPECT_EQ(IsPlainFileName(name), plain) << name;
}

TEST(CheckVersion, FirstTwoCharactersDecide)
{
    const char *bad = "Invalid version number!", *old = "The version should be greater than 5.0";
    const std::pair<std::string, const char*> cases[] = {
        {"5.0", nullptr}, {"9.9", nullptr}, {"5.", nullptr}, {"A.1", nullptr}, {"\x7f.0", nullptr},
        {"4.0", old},     {"0.9", old},     {"..", old},     {"\x80.0", old},  {"\xff.0", old},
        {"7", bad},       {"", bad},        {"10.0", bad},   {" 6.0", bad},
    };
    for (const auto& [text, warning] : cases)
        EXPECT_STREQ(CheckVersion(text), warning) << text;
}

TEST(CopyFailureReport, TenNamesThenACountThenTheHint)
{
    const std::string head = "The following plugins could not be installed:\n";
    EXPECT_EQ(CopyFailureReport({"a.8bf"}, false), head + "a.8bf");
    EXPECT_EQ(CopyFailureReport({"a\nb.8bf", "c\td\x7f"}, true),  // no name as two lines
        head + "a?b.8bf\nc?d?\n\nSome of them are in use: close Photoshop, or whatever holds them, and run the installer again.");
    std::string names;
    for (int i = 0; i < 10; ++i)
        names += "b.8bf\n";
    EXPECT_EQ(CopyFailureReport(std::vector<std::string>(13, "b.8bf"), false), head + names + "and 3 more");
}

TEST(IsLinkTag, OnlyNameSurrogatesLeadElsewhere)
{
    const std::pair<unsigned long, bool> cases[] = {
        {0xA0000003, true},  {0xA000000C, true},   // junction or mount point, symbolic link
        {0xA000001D, true},  {0x9000001A, false},  // WSL link, cloud-files placeholder
        {0x9000F01A, false}, {0x80000017, false},  // placeholder of another provider, compressed (WOF)
        {0x80000013, false}, {0x80000023, false},  // deduplicated, AF_UNIX socket
    };
    for (const auto& [tag, link] : cases)
        EXPECT_EQ(IsLinkTag(tag), link) << std::hex << tag;
}
