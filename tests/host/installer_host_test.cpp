// Cases only the in-memory platform can stage: program locations, a full
// disk, names Windows refuses.
#include <gtest/gtest.h>

#include "../../engine/messages.h"
#include "../../engine/plugin_installer.h"
#include "../common/fake_platform.h"

namespace {

using Lines = std::vector<std::string>;

class HostInstallTest : public ::testing::Test {
protected:
    FakePlatform fake;
    PluginInstaller inst{fake};

    void SetUp() override
    {
        fake.MakeDir("C:\\PS\\Filters");
        fake.SetValue("SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath", kRegSz, std::string("C:\\PS\\") + '\0');
    }
    bool Installed(const std::string& name) { return fake.Find("C:\\PS\\Filters\\Morvask software\\" + name); }
};

TEST_F(HostInstallTest, DefaultsToVersion5)
{
    EXPECT_EQ(inst.m_strVersion, "5.0");
    EXPECT_EQ(inst.m_strPluginFolder, "");
    EXPECT_TRUE(inst.LocatePluginFolder());
    EXPECT_EQ(inst.m_strPluginFolder, "C:\\PS\\Filters\\Morvask software");
}

TEST_F(HostInstallTest, SourceFolderFollowsTheProgramsLocation)
{
    struct Case {
        const char* program;
        const char* plugin;  // where a plug-in is put; null = none
        bool found;
    } cases[] = {
        {"D:\\Setup\\inst.exe", "D:\\photoshopplugins\\p.8bf", true},
        {"D:\\Setup.new\\inst.exe", "D:\\photoshopplugins\\p.8bf", true},
        {"D:/Setup/inst.exe", "D:\\photoshopplugins\\p.8bf", true},
        {"E:\\a\\b\\Setup\\inst", "E:\\a\\b\\photoshopplugins\\p.8bf", true},
        // In a drive's root the pattern is \photoshopplugins, on the current drive.
        {"D:\\inst.exe", "C:\\photoshopplugins\\p.8bf", true},
        {"D:\\inst.exe", "D:\\photoshopplugins\\p.8bf", false},
        // Share root: \\server\photoshopplugins names no share.
        {"\\\\server\\share\\inst.exe", "\\\\server\\share\\photoshopplugins\\p.8bf", false},
        {"\\\\server\\share\\Setup\\inst.exe", "\\\\server\\share\\photoshopplugins\\p.8bf", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        FakePlatform f;
        f.MakeDir("C:\\PS\\Filters\\Morvask software");
        f.WriteFile(c.plugin, "data");
        f.programPath = c.program;
        PluginInstaller i(f);
        i.m_strPluginFolder = "C:\\PS\\Filters\\Morvask software";
        EXPECT_EQ(i.CopyPlugins(), c.found ? TRUE : FALSE);
        EXPECT_EQ(f.messages, c.found ? Lines{} : Lines{kMsgPluginsNotFound});
        EXPECT_EQ(f.Find("C:\\PS\\Filters\\Morvask software\\p.8bf") != nullptr, c.found);
    }
}

TEST_F(HostInstallTest, UnknownProgramPathIsReportedNotGuessed)
{
    fake.WriteFile("C:\\photoshopplugins\\p.8bf", "data");
    fake.programPathFails = true;
    ASSERT_TRUE(inst.LocatePluginFolder());
    EXPECT_FALSE(inst.CopyPlugins());
    EXPECT_EQ(fake.messages, Lines{kMsgPluginsNotFound});
    EXPECT_FALSE(Installed("p.8bf"));
}

TEST_F(HostInstallTest, FullDiskAndUnwritableFolderAreReported)
{
    fake.WriteFile("D:\\photoshopplugins\\small.8bf", "12");
    fake.WriteFile("D:\\photoshopplugins\\big.8bf", std::string(100, 'b'));
    fake.WriteFile("D:\\photoshopplugins\\a?b.8bf", "unrepresentable name");
    fake.diskFree = 10;
    ASSERT_TRUE(inst.LocatePluginFolder());
    EXPECT_TRUE(inst.CopyPlugins());
    EXPECT_TRUE(Installed("small.8bf"));
    EXPECT_FALSE(Installed("big.8bf"));
    EXPECT_EQ(fake.messages, Lines{std::string(kMsgCopyFailedHead) + "\na?b.8bf\nbig.8bf"});
}

TEST_F(HostInstallTest, NoWriteAccessToFilters)
{
    fake.MakeDir("C:\\Locked\\Filters", true);
    fake.SetValue("SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath", kRegSz, "C:\\Locked");
    EXPECT_FALSE(inst.LocatePluginFolder());
    EXPECT_EQ(fake.messages, Lines{kMsgCreateFolderFailed});
    EXPECT_EQ(fake.Find("C:\\Locked\\Filters\\Morvask software"), nullptr);
}

TEST(CopyFailureReport, NamesTenThenCounts)
{
    struct Case {
        size_t count;
        size_t lines;
        const char* last;
    } cases[] = {{1, 2, "f0"}, {10, 11, "f9"}, {11, 12, "and 1 more"}, {1000, 12, "and 990 more"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        std::vector<std::string> names;
        for (size_t i = 0; i < c.count; ++i)
            names.push_back("f" + std::to_string(i));
        std::string report = CopyFailureReport(names);
        EXPECT_EQ(report.rfind(kMsgCopyFailedHead, 0), 0u);
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n') + 1, static_cast<long>(c.lines));
        EXPECT_EQ(report.substr(report.rfind('\n') + 1), c.last);
    }
}

}  // namespace
