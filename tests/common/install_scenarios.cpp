// Install scenarios run against the in-memory platform and the real one alike.
#include <gtest/gtest.h>

#include <set>

#include "../../engine/messages.h"
#include "../../engine/plugin_installer.h"
#include "world.h"

namespace {

const std::string kVendor = "\\Filters\\Morvask software";
using Lines = std::vector<std::string>;

class InstallTest : public ::testing::Test {
protected:
    std::unique_ptr<World> w = MakeWorld();
    PluginInstaller inst{w->platform()};

    std::string Photoshop() { return w->Root() + "\\PS\\Plug-Ins"; }
    std::string Source() { return w->Medium() + "\\photoshopplugins"; }

    // A Photoshop 7.0 whose plug-in folder has Filters.
    void InstallPhotoshop()
    {
        w->MakeDir(Photoshop() + "\\Filters");
        w->SetPluginPath("7.0", kRegSz, Photoshop() + '\0');
        inst.m_strVersion = "7.0";
    }

    void Plugins(const std::vector<std::pair<std::string, std::string>>& files)
    {
        w->MakeDir(Source());
        for (const auto& [name, content] : files)
            w->WriteFile(Source() + "\\" + name, content);
    }

    std::string Installed(const std::string& name)
    {
        std::string content;
        return w->ReadFile(Photoshop() + kVendor + "\\" + name, content) ? content : "<missing>";
    }

    Lines Msgs() { return w->messages(); }
};

Lines SplitLines(const std::string& text)
{
    Lines lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST_F(InstallTest, PluginPathValues)
{
    struct Case {
        const char* what;
        uint32_t type;
        std::string tail;  // appended to the plug-in folder path
        bool usable;
    } cases[] = {
        {"one trailing backslash", kRegSz, std::string("\\") + '\0', true},
        {"several trailing backslashes", kRegSz, std::string("\\\\\\") + '\0', true},
        {"no trailing backslash", kRegSz, std::string(1, '\0'), true},
        {"no terminating NUL", kRegSz, "", true},
        {"text ends at the first NUL", kRegSz, std::string("\0junk\0", 6), true},
        {"expandable string", kRegExpandSz, std::string(1, '\0'), true},
        {"binary", kRegBinary, std::string(1, '\0'), false},
        {"multi-string", kRegMultiSz, std::string(2, '\0'), false},
        {"no type", kRegNone, std::string(1, '\0'), false},
    };
    InstallPhotoshop();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w->messages().clear();
        inst.m_strPluginFolder = "before";
        w->SetPluginPath("7.0", c.type, Photoshop() + c.tail);
        EXPECT_EQ(inst.LocatePluginFolder(), c.usable ? TRUE : FALSE);
        if (c.usable) {
            EXPECT_EQ(inst.m_strPluginFolder, Photoshop() + kVendor);
            EXPECT_EQ(w->Attributes(inst.m_strPluginFolder) & kAttrDirectory, kAttrDirectory);
            EXPECT_EQ(Msgs(), Lines{});
        } else {
            EXPECT_EQ(inst.m_strPluginFolder, "before");
            EXPECT_EQ(Msgs(), Lines{kMsgVersionNotFound});
        }
    }
}

TEST_F(InstallTest, NonStringValuesAndMissingValue)
{
    InstallPhotoshop();
    w->SetPluginPath("7.0", kRegDword, std::string("\x01\x00\x00\x00", 4));
    EXPECT_FALSE(inst.LocatePluginFolder());
    inst.m_strVersion = "8.0";
    w->MakeVersionKey("8.0");
    EXPECT_FALSE(inst.LocatePluginFolder());
    EXPECT_EQ(Msgs(), (Lines{kMsgVersionNotFound, kMsgVersionNotFound}));
    EXPECT_EQ(inst.m_strPluginFolder, "");
}

TEST_F(InstallTest, PluginPathLength)
{
    struct Case {
        size_t length;
        bool terminated;
        const char* message;
    } cases[] = {
        // 259 characters are read; nothing exists there, so the folder cannot be made.
        {259, true, kMsgCreateFolderFailed},
        {259, false, kMsgCreateFolderFailed},
        {260, false, kMsgVersionNotFound},
        {260, true, kMsgVersionNotFound},
        {300, true, kMsgVersionNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        w->messages().clear();
        std::string text = w->Root() + "\\";
        text.resize(c.length, 'x');
        w->SetPluginPath("7.0", kRegSz, c.terminated ? text + '\0' : text);
        inst.m_strVersion = "7.0";
        inst.m_strPluginFolder.clear();
        EXPECT_FALSE(inst.LocatePluginFolder());
        EXPECT_EQ(Msgs(), Lines{c.message});
        if (c.message == kMsgCreateFolderFailed) {
            EXPECT_EQ(inst.m_strPluginFolder, text + kVendor);
        }
    }
}

TEST_F(InstallTest, VersionTextNamesTheKeyAsTyped)
{
    InstallPhotoshop();
    w->MakeDir(w->Root() + "\\Deep\\Filters");
    w->SetPluginPath("7.0\\Deeper", kRegSz, w->Root() + "\\Deep");
    w->MakeDir(w->Root() + "\\Bare\\Filters");
    w->SetPluginPath("", kRegSz, w->Root() + "\\Bare\\");
    struct Case {
        const char* version;
        const char* folder;  // under the root; null = not found
    } cases[] = {
        {"7.0", "\\PS\\Plug-Ins"},
        {"7.0 ", nullptr},
        {" 7.0", nullptr},
        {"7.0\\Deeper", "\\Deep"},
        {"", "\\Bare"},
        {"9.9", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("[") + c.version + "]");
        w->messages().clear();
        inst.m_strVersion = c.version;
        EXPECT_EQ(inst.LocatePluginFolder(), c.folder ? TRUE : FALSE);
        if (c.folder) {
            EXPECT_EQ(inst.m_strPluginFolder, w->Root() + c.folder + kVendor);
        }
        EXPECT_EQ(Msgs(), c.folder ? Lines{} : Lines{kMsgVersionNotFound});
    }
}

TEST_F(InstallTest, VendorFolderStates)
{
    InstallPhotoshop();
    EXPECT_TRUE(inst.LocatePluginFolder());
    EXPECT_TRUE(inst.LocatePluginFolder());  // present now; suffix not stacked
    EXPECT_EQ(inst.m_strPluginFolder, Photoshop() + kVendor);

    // A plain file of that name counts as present.
    w->MakeDir(w->Root() + "\\File\\Filters");
    w->WriteFile(w->Root() + "\\File" + kVendor, "not a folder");
    w->SetPluginPath("7.0", kRegSz, w->Root() + "\\File");
    EXPECT_TRUE(inst.LocatePluginFolder());
    EXPECT_EQ(w->Attributes(inst.m_strPluginFolder) & kAttrDirectory, 0u);
    EXPECT_EQ(Msgs(), Lines{});
}

TEST_F(InstallTest, FiltersMissing)
{
    w->MakeDir(Photoshop());
    w->SetPluginPath("7.0", kRegSz, Photoshop());
    inst.m_strVersion = "7.0";
    EXPECT_FALSE(inst.LocatePluginFolder());
    EXPECT_EQ(Msgs(), Lines{kMsgCreateFolderFailed});
    EXPECT_EQ(inst.m_strPluginFolder, Photoshop() + kVendor);
    EXPECT_EQ(w->Attributes(Photoshop() + "\\Filters"), kNoFile);
}

TEST_F(InstallTest, CopiesEveryPlainFileAndSkipsFolders)
{
    InstallPhotoshop();
    Plugins({{"a.8bf", std::string("first\0\x01\xff", 8)}, {"b.8bf", "second"}, {"empty.8bf", ""}, {"noext", "n"}});
    w->MakeDir(Source() + "\\docs");
    w->WriteFile(Source() + "\\docs\\readme.txt", "doc");
    w->WriteFile(Source() + "\\hidden.8bf", "h", kAttrHidden);
    w->WriteFile(Source() + "\\ro.8bf", "r", kAttrReadOnly);
    w->WriteFile(Photoshop() + kVendor + "\\b.8bf", "an older b");  // replaced

    ASSERT_TRUE(inst.LocatePluginFolder());
    EXPECT_TRUE(inst.CopyPlugins());
    EXPECT_EQ(Msgs(), Lines{});
    EXPECT_EQ(Installed("a.8bf"), std::string("first\0\x01\xff", 8));
    EXPECT_EQ(Installed("b.8bf"), "second");
    EXPECT_EQ(Installed("empty.8bf"), "");
    EXPECT_EQ(Installed("noext"), "n");
    EXPECT_EQ(Installed("hidden.8bf"), "h");
    EXPECT_EQ(Installed("ro.8bf"), "r");
    EXPECT_EQ(w->Attributes(Photoshop() + kVendor + "\\hidden.8bf") & kAttrHidden, kAttrHidden);
    EXPECT_EQ(w->Attributes(Photoshop() + kVendor + "\\ro.8bf") & kAttrReadOnly, kAttrReadOnly);
    EXPECT_EQ(w->Attributes(Photoshop() + kVendor + "\\docs"), kNoFile);
    EXPECT_EQ(w->Attributes(Photoshop() + kVendor + "\\readme.txt"), kNoFile);
}

TEST_F(InstallTest, SourceFolderMissingOrEmpty)
{
    InstallPhotoshop();
    ASSERT_TRUE(inst.LocatePluginFolder());
    EXPECT_FALSE(inst.CopyPlugins());
    EXPECT_EQ(Msgs(), Lines{kMsgPluginsNotFound});

    w->messages().clear();
    Plugins({});
    EXPECT_TRUE(inst.CopyPlugins());
    EXPECT_EQ(Msgs(), Lines{});
}

TEST_F(InstallTest, TargetsThatRefuseReplacementAreReported)
{
    InstallPhotoshop();
    Plugins({{"ro.8bf", "new"}, {"hidden.8bf", "new"}, {"locked.8bf", "new"}, {"fine.8bf", "new"}});
    ASSERT_TRUE(inst.LocatePluginFolder());
    const std::string target = Photoshop() + kVendor + "\\";
    w->WriteFile(target + "ro.8bf", "old", kAttrReadOnly);
    w->WriteFile(target + "hidden.8bf", "old", kAttrHidden);
    w->WriteFile(target + "locked.8bf", "old");
    w->Lock(target + "locked.8bf");

    EXPECT_TRUE(inst.CopyPlugins());
    EXPECT_EQ(Installed("fine.8bf"), "new");
    EXPECT_EQ(Installed("ro.8bf"), "old");
    EXPECT_EQ(Installed("hidden.8bf"), "old");
    ASSERT_EQ(Msgs().size(), 1u);
    Lines lines = SplitLines(Msgs()[0]);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], kMsgCopyFailedHead);
    EXPECT_EQ(std::set<std::string>(lines.begin() + 1, lines.end()),
              (std::set<std::string>{"ro.8bf", "hidden.8bf", "locked.8bf"}));
}

TEST_F(InstallTest, VendorPathIsAFileSoEveryCopyFails)
{
    InstallPhotoshop();
    w->WriteFile(Photoshop() + kVendor, "a file");
    std::vector<std::pair<std::string, std::string>> files;
    for (char c = 'a'; c < 'a' + 12; ++c)
        files.push_back({std::string(1, c) + ".8bf", "x"});
    Plugins(files);
    ASSERT_TRUE(inst.LocatePluginFolder());
    EXPECT_TRUE(inst.CopyPlugins());
    ASSERT_EQ(Msgs().size(), 1u);
    Lines lines = SplitLines(Msgs()[0]);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], kMsgCopyFailedHead);
    EXPECT_EQ(lines[11], "and 2 more");
    std::string content;
    EXPECT_TRUE(w->ReadFile(Photoshop() + kVendor, content));
    EXPECT_EQ(content, "a file");
}

}  // namespace
