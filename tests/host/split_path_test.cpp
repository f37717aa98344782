#include <gtest/gtest.h>

#include "../../engine/split_path.h"

TEST(SplitPath, Cases)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* baseName;
        const char* extension;
    } cases[] = {
        {"C:\\Tools\\setup.exe", "C:\\Tools", "setup", "exe"},
        {"C:\\Tools", "C:", "Tools", ""},
        {"C:", "", "C:", ""},
        {"archive.tar.gz", "", "archive.tar", "gz"},
        {"C:\\dir.d\\file", "C:\\dir.d", "file", ""},
        {"C:\\dir\\file.", "C:\\dir", "file", ""},
        {"C:\\dir\\", "C:\\dir", "", ""},
        {"D:/a/b.txt", "D:/a", "b", "txt"},
        {"D:\\a/b.txt", "D:\\a", "b", "txt"},
        {"C:\\dir\\.x", "C:\\dir", "", "x"},
        {"\\inst.exe", "", "inst", "exe"},
        {"\\\\server\\share\\inst.exe", "\\\\server\\share", "inst", "exe"},
        {".", "", "", ""},
        {"\\", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string folder = "old", baseName = "old", extension = "old";
        EXPECT_EQ(SplitPath(c.path, folder, baseName, extension), 1);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(baseName, c.baseName);
        EXPECT_EQ(extension, c.extension);
    }
}

TEST(SplitPath, EmptyPathLeavesOutputsAlone)
{
    std::string folder = "f", baseName = "b", extension = "e";
    EXPECT_EQ(SplitPath("", folder, baseName, extension), 0);
    EXPECT_EQ(folder + baseName + extension, "fbe");
}

TEST(SplitPath, FolderOutputAsInputGivesTheParent)
{
    std::string folder, baseName, extension;
    SplitPath("C:\\Setup\\x.exe", folder, baseName, extension);
    SplitPath(folder, folder, baseName, extension);
    EXPECT_EQ(folder, "C:");
    EXPECT_EQ(baseName, "Setup");
}
