#include <gtest/gtest.h>

#include "engine/messages.h"
#include "engine/split_path.h"
#include "ui/version_check.h"

TEST(SplitPath, Cases)
{
    struct Case {
        const char *path, *folder, *baseName, *extension;
    } cases[] = {
        {"C:\\Tools\\setup.exe", "C:\\Tools", "setup", "exe"},
        {"C:\\Tools", "C:", "Tools", ""},
        {"C:", "", "C:", ""},
        {"archive.tar.gz", "", "archive.tar", "gz"},
        {"C:\\dir.d\\file", "C:\\dir.d", "file", ""},
        {"C:\\dir\\file.", "C:\\dir", "file", ""},
        {"C:\\dir\\", "C:\\dir", "", ""},
        {"D:/a/b.txt", "D:/a", "b", "txt"},
        {"C:\\dir\\.x", "C:\\dir", "", "x"},
        {"\\\\server\\share\\inst.exe", "\\\\server\\share", "inst", "exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string folder = "old", baseName = "old", extension = "old";
        EXPECT_EQ(SplitPath(c.path, folder, baseName, extension), 1);
        EXPECT_EQ(folder + "|" + baseName + "|" + extension, std::string(c.folder) + "|" + c.baseName + "|" + c.extension);
    }
    std::string folder = "f", baseName = "b", extension = "e";
    EXPECT_EQ(SplitPath("", folder, baseName, extension), 0);
    EXPECT_EQ(folder + baseName + extension, "fbe");
}

TEST(CheckVersion, FirstTwoCharactersDecide)
{
    const char *bad = kMsgInvalidVersion, *old = kMsgVersionTooOld;
    struct Case {
        std::string text;
        const char* warning;
    } cases[] = {
        {"5.0", nullptr}, {"9.9", nullptr}, {"5.", nullptr}, {"A.1", nullptr}, {"\x7f.0", nullptr},
        {"4.0", old},     {"0.9", old},     {"..", old},     {"\x80.0", old},  {"\xff.0", old},
        {"7", bad},       {"", bad},        {"10.0", bad},   {" 6.0", bad},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(CheckVersion(c.text), c.warning) << c.text;
}

TEST(CopyFailureReport, TenNamesThenACount)
{
    std::vector<std::string> names;
    std::string expected = kMsgCopyFailedHead;
    for (int i = 1; i <= 13; ++i) {
        names.push_back("p" + std::to_string(i) + ".8bf");
        if (i <= 10)
            expected += "\n" + names.back();
        if (i == 1 || i == 10) {
            EXPECT_EQ(CopyFailureReport(names), expected);
        }
    }
    EXPECT_EQ(CopyFailureReport(names), expected + "\nand 3 more");
}
