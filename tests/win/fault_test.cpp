// Faults and bad input through the real program. Whatever happens, every plug-in
// is installed byte for byte or named in the report, nothing outside the vendor
// folder is written, and the medium is never modified.
#include <iostream>
#include <map>

#include "../../engine/messages.h"
#include "../../ui/version_check.h"
#include "program_fixture.h"

namespace {

struct Entry {
    uint64_t hash;  // FNV-1a of the content; 0 for a folder
    uint64_t size;
    std::wstring name;  // as the file system spells it
    bool operator==(const Entry& o) const { return hash == o.hash && size == o.size; }
};
using Tree = std::map<std::wstring, Entry>;  // path below the root, lower case

std::wstring Wide(const std::string& s)
{
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

// What the ANSI functions make of a name.
std::string Ansi(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

Entry HashFile(const std::wstring& path)
{
    Entry e{1469598103934665603ull, 0, L""};
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Entry{0xBAD, 0, L""};  // locked: compared by its marker
    std::vector<BYTE> buffer(1 << 20);
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i)
            e.hash = (e.hash ^ buffer[i]) * 1099511628211ull;
        e.size += got;
    }
    CloseHandle(file);
    return e;
}

void Walk(const std::wstring& root, const std::wstring& rel, Tree& tree)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + rel + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring child = rel + L"\\" + name;
        std::wstring key = child;
        CharLowerBuffW(&key[0], static_cast<DWORD>(key.size()));
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[key] = Entry{0, 0, name};
            Walk(root, child, tree);
        } else {
            tree[key] = HashFile(root + child);
            tree[key].name = name;
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

Tree Snapshot(const std::string& root)
{
    Tree tree;
    Walk(Wide(root), L"", tree);
    return tree;
}

class FaultTest : public ProgramTest {
protected:
    // Presses OK and answers every box; checks the invariant; the boxes' texts.
    Lines Install()
    {
        PutProgramOnMedium();
        Tree before = Snapshot(temp.path());
        Launch();
        ClickOK();
        Lines boxes = Boxes();
        if (IsWindow(dlg))
            program.Post(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
        ExpectExit();
        ExpectNothingLost(before, Snapshot(temp.path()), boxes);
        return boxes;
    }

    void ExpectNothingLost(const Tree& before, const Tree& after, const Lines& boxes)
    {
        std::wstring vendorKey = Wide(vendor.substr(temp.path().size()));
        CharLowerBuffW(&vendorKey[0], static_cast<DWORD>(vendorKey.size()));
        auto inVendor = [&](const std::wstring& key) { return key.compare(0, vendorKey.size(), vendorKey) == 0; };
        for (const auto& [key, entry] : before)
            if (!inVendor(key)) {
                auto it = after.find(key);
                EXPECT_TRUE(it != after.end() && it->second == entry) << "changed: " << ToUtf8(key);
            }
        for (const auto& [key, entry] : after)
            if (!inVendor(key) && !before.count(key))
                ADD_FAILURE() << "written outside the vendor folder: " << ToUtf8(key);

        std::string report;
        for (const std::string& box : boxes) {
            if (box == kMsgVersionNotFound || box == kMsgCreateFolderFailed)
                return;  // nothing was to be copied, and the user was told
            if (box.rfind(kMsgCopyFailedHead, 0) == 0)
                report = box;
        }
        size_t more = 0;
        if (size_t at = report.rfind("\nand "); at != std::string::npos)
            more = std::stoul(report.substr(at + 5));
        size_t unnamed = 0;
        std::wstring sourceKey = L"\\medium\\photoshopplugins\\";
        for (const auto& [key, entry] : before) {
            if (key.compare(0, sourceKey.size(), sourceKey) != 0 || entry.hash == 0)
                continue;
            std::wstring lower = key.substr(sourceKey.size());
            if (lower.find(L'\\') != std::wstring::npos)
                continue;
            auto copy = after.find(vendorKey + L"\\" + lower);
            if (copy != after.end() && copy->second == entry)
                continue;
            std::string ansi = Ansi(entry.name);
            bool named = false;
            for (size_t at = 0; (at = report.find('\n', at)) != std::string::npos; ++at)
                named = named || _stricmp(report.substr(at + 1, report.find('\n', at + 1) - at - 1).c_str(), ansi.c_str()) == 0;
            if (!named)
                ++unnamed;
        }
        EXPECT_EQ(unnamed, more) << "plug-ins neither installed nor named in: " << report;
    }

    void WriteWide(const std::wstring& name, const std::string& content)
    {
        std::wstring path = Wide(medium + "\\photoshopplugins\\") + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }
};

Lines ReportOf(const Lines& names)
{
    std::string text = kMsgCopyFailedHead;
    for (const std::string& name : names)
        text += "\n" + name;
    return {text};
}

TEST_F(FaultTest, TargetsThatRefuseReplacement)
{
    Photoshop();
    Plugins({"fine.8bf", "locked.8bf", "ro.8bf", "hidden.8bf"});
    WriteWholeFile(vendor + "\\locked.8bf", "old");
    WriteWholeFile(vendor + "\\ro.8bf", "old", FILE_ATTRIBUTE_READONLY);
    WriteWholeFile(vendor + "\\hidden.8bf", "old", FILE_ATTRIBUTE_HIDDEN);
    LockedFile lock(vendor + "\\locked.8bf");
    Lines boxes = Install();
    ASSERT_EQ(boxes.size(), 1u);
    for (const char* name : {"locked.8bf", "ro.8bf", "hidden.8bf"})
        EXPECT_NE(boxes[0].find(std::string("\n") + name), std::string::npos) << name;
    EXPECT_EQ(InstalledContent("fine.8bf"), "content of fine.8bf");
}

TEST_F(FaultTest, VendorPathIsAFile)
{
    Photoshop();
    Plugins({"a.8bf"});
    WriteWholeFile(vendor, "a file where the folder should be");
    EXPECT_EQ(Install(), ReportOf({"a.8bf"}));
}

TEST_F(FaultTest, ManyFilesEmptyFilesAndALargeOne)
{
    Photoshop();
    MakeDirs(medium + "\\photoshopplugins");
    for (int i = 0; i < 1000; ++i)
        WriteWholeFile(medium + "\\photoshopplugins\\p" + std::to_string(i) + ".8bf", std::string(i % 7 ? 512 : 0, 'a' + i % 26));
    std::string large(200u << 20, '\0');
    for (size_t i = 0; i < large.size(); i += 4096)
        large[i] = static_cast<char>(i >> 12);
    WriteWholeFile(medium + "\\photoshopplugins\\large.8bf", large);
    large.clear();
    EXPECT_EQ(Install(), Lines{});
}

TEST_F(FaultTest, NamesOutsideTheCodePageAndAtTheLengthLimit)
{
    Photoshop();
    Plugins({"plain.8bf"});
    WriteWide(L"\x63d2\x4ef6.8bf", "cjk");
    WriteWide(L"\x03a9mega.8bf", "greek");
    WriteWide(std::wstring(251, L'n') + L".8bf", "long");
    Install();  // the invariant is the check
    EXPECT_EQ(InstalledContent("plain.8bf"), "content of plain.8bf");
}

TEST_F(FaultTest, FiltersMissingOrReadOnlyMedium)
{
    MakeDirs(ps);
    reg.SetValue("SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath", REG_SZ, ps);
    Plugins({"a.8bf"});
    SetFileAttributesA((medium + "\\photoshopplugins\\a.8bf").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Install(), Lines{kMsgCreateFolderFailed});
    EXPECT_EQ(GetFileAttributesA((ps + "\\Filters").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FaultTest, PluginPathValues)
{
    Plugins({"a.8bf"});
    MakeDirs(ps + "\\Filters");
    struct Case {
        const char* what;
        DWORD type;
        std::string data;
        const char* message;  // null: installs
    } cases[] = {
        {"string", REG_SZ, ps + '\0', nullptr},
        {"no terminating NUL", REG_SZ, ps, nullptr},
        {"forward slashes", REG_SZ, temp.path() + "/Photoshop/Plug-Ins/" + '\0', nullptr},
        {"expandable, not expanded", REG_EXPAND_SZ, "%TEMP%\\Plug-Ins" + std::string(1, '\0'), kMsgCreateFolderFailed},
        {"relative", REG_SZ, std::string("Plug-Ins\\") + '\0', kMsgCreateFolderFailed},
        {"0 characters", REG_SZ, std::string(1, '\0'), kMsgCreateFolderFailed},
        {"1 character", REG_SZ, std::string("Q") + '\0', kMsgCreateFolderFailed},
        {"259 characters", REG_SZ, ps + "\\" + std::string(258 - ps.size(), 'x') + '\0', kMsgCreateFolderFailed},
        {"260 characters", REG_SZ, ps + "\\" + std::string(259 - ps.size(), 'x') + '\0', kMsgVersionNotFound},
        {"300 characters", REG_SZ, ps + "\\" + std::string(299 - ps.size(), 'x') + '\0', kMsgVersionNotFound},
        {"multi-string", REG_MULTI_SZ, ps + '\0' + '\0', kMsgVersionNotFound},
        {"binary", REG_BINARY, ps, kMsgVersionNotFound},
        {"number", REG_DWORD, std::string(4, '\1'), kMsgVersionNotFound},
        {"big number", REG_QWORD, std::string(8, '\1'), kMsgVersionNotFound},
        {"no type", REG_NONE, ps, kMsgVersionNotFound},
        {"big-endian number", REG_DWORD_BIG_ENDIAN, std::string(4, '\1'), kMsgVersionNotFound},
        {"link", REG_LINK, ps, kMsgVersionNotFound},
        {"resource list", REG_RESOURCE_LIST, ps + '\0', kMsgVersionNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reg.SetValue("SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath", c.type, c.data);
        EXPECT_EQ(Install(), c.message ? Lines{c.message} : Lines{});
        if (!c.message) {
            EXPECT_EQ(InstalledContent("a.8bf"), "content of a.8bf");
        }
        RemoveTree(vendor);
    }
}

TEST_F(FaultTest, VersionTextsPasted)
{
    Photoshop();
    Plugins({"a.8bf"});
    const std::string bad = kMsgInvalidVersion, old = kMsgVersionTooOld;
    struct Case {
        const char* what;
        std::wstring text;
        Lines warnings;
    } cases[] = {
        {"empty", L"", {bad}},
        {"300 characters", L"7." + std::wstring(298, L'0'), {}},
        {"backslashes", L"5.0\\..\\5.0", {}},
        {"dot dot", L"..", {old}},
        {"control characters", L"5.0\x01\x1b\t", {}},
        {"non-ASCII", L"\x7248\x672c", {bad}},
    };
    Launch();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // As a paste does: the field's text replaced at once. The handler may
        // open a box, so the send is not waited for.
        DWORD_PTR ignored;
        SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text.c_str()), SMTO_ABORTIFHUNG, 200, &ignored);
        EXPECT_EQ(Boxes(), c.warnings);
        ClickOK();
        EXPECT_EQ(Boxes(), Lines{kMsgVersionNotFound});
        EXPECT_TRUE(IsWindow(dlg));
    }
    EXPECT_EQ(GetFileAttributesA(vendor.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FaultTest, FullDisk)
{
    const char* drive = getenv("TANDREL_SMALL_DRIVE");
    if (!drive)
        GTEST_SKIP() << "needs a small drive (tests/win/with_small_drive.sh)";
    std::string root = std::string(drive) + "\\PS";
    RemoveTree(root);
    MakeDirs(root + "\\Filters");
    reg.SetValue("SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath", REG_SZ, root + '\0');
    vendor = root + "\\Filters\\Morvask software";
    MakeDirs(medium + "\\photoshopplugins");
    for (int i = 0; i < 4; ++i)
        WriteWholeFile(medium + "\\photoshopplugins\\big" + std::to_string(i) + ".8bf", std::string(1500 << 10, 'b'));
    Launch();
    ClickOK();
    Lines boxes = Boxes();
    ExpectExit();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind(kMsgCopyFailedHead, 0), 0u);
    int installed = 0, named = 0;
    for (int i = 0; i < 4; ++i) {
        std::string name = "big" + std::to_string(i) + ".8bf";
        std::string content;
        bool whole = ReadWholeFile(vendor + "\\" + name, content) && content.size() == (1500u << 10);
        installed += whole;
        named += boxes[0].find("\n" + name) != std::string::npos;
        EXPECT_TRUE(whole != (boxes[0].find("\n" + name) != std::string::npos)) << name;
    }
    EXPECT_GE(installed, 1);
    EXPECT_GE(named, 1);
    RemoveTree(root);
}

}  // namespace

namespace {

// PlugInPath plus "\Filters\Morvask software" beyond 260 characters: Windows'
// ANSI functions refuse such paths unless long paths are enabled system-wide
// (the manifest opts in); either way nothing is lost.
TEST_F(FaultTest, VendorPathBeyond260Characters)
{
    std::string longPs = temp.path() + "\\" + std::string(120, 'd');
    longPs += "\\" + std::string(250 - longPs.size() - 1, 'e');
    ASSERT_EQ(longPs.size(), 250u);
    MakeDirs(longPs + "\\Filters");
    reg.SetValue("SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath", REG_SZ, longPs + '\0');
    vendor = longPs + "\\Filters\\Morvask software";
    Plugins({"a.8bf"});
    Lines boxes = Install();
    bool installed = InstalledContent("a.8bf") == "content of a.8bf";
    std::cout << "[ note     ] a " << vendor.size() << "-character vendor path: "
              << (installed ? "installed" : boxes.empty() ? "nothing said" : boxes[0]) << "\n";
    EXPECT_TRUE(installed || boxes == Lines{kMsgCreateFolderFailed} || boxes == ReportOf({"a.8bf"}));
}

}  // namespace
