#include <gtest/gtest.h>

#include <algorithm>

#include "engine/messages.h"
#include "engine/split_path.h"
#include "ui/version_check.h"

TEST(SplitPath, FolderBaseNameExtension)
{
    const char* cases[][4] = {
        {"C:\\Tools\\setup.exe", "C:\\Tools", "setup", "exe"},
        {"archive.tar.gz", "", "archive.tar", "gz"},
        {"C:\\dir.d\\file", "C:\\dir.d", "file", ""},
        {"C:\\dir\\", "C:\\dir", "", ""},
        {"D:/a/b.txt", "D:/a", "b", "txt"},
        {"C:\\dir\\.x", "C:\\dir", "", "x"},
        {"\\\\server\\share\\inst.exe", "\\\\server\\share", "inst", "exe"},
    };
    for (const auto& c : cases) {
        std::string folder = "old", baseName = "old", extension = "old";
        EXPECT_EQ(SplitPath(c[0], folder, baseName, extension), 1);
        EXPECT_EQ(folder + "|" + baseName + "|" + extension, std::string(c[1]) + "|" + c[2] + "|" + c[3]) << c[0];
    }
    std::string folder = "f", baseName = "b", extension = "e";
    EXPECT_EQ(SplitPath("", folder, baseName, extension), 0);
    EXPECT_EQ(folder + baseName + extension, "fbe");
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

TEST(CopyFailureReport, TenNamesThenACount)
{
    std::vector<std::string> names{"a.8bf"};
    EXPECT_EQ(CopyFailureReport(names), "The following plugins could not be installed:\na.8bf");
    names.resize(13, "b.8bf");
    const std::string text = CopyFailureReport(names);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
    EXPECT_EQ(text.substr(text.rfind('\n')), "\nand 3 more");
}
