// The real tandrel.exe on a test medium, used as a person would. A row is the
// registry and files before, the keys typed and what ends the dialog; then the
// boxes shown, and the whole tree after, compared with what it must be: every
// plug-in installed byte for byte or named in the report, nothing else written.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "engine/messages.h"
#include "res/resource.h"
#include "tools/ui_driver.h"

namespace {

using Lines = std::vector<std::string>;
using Tree = std::map<std::string, std::pair<DWORD, std::string>>;  // path: attribute bits, content

const std::string kVendor = "\\ps\\filters\\morvask software", kSource = "\\medium\\photoshopplugins";

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<unreadable>";
}

void WriteText(const std::string& path, const std::string& content, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    SHCreateDirectoryExA(nullptr, path.substr(0, path.find_last_of('\\')).c_str(), nullptr);
    std::ofstream(path, std::ios::binary) << content;
    SetFileAttributesA(path.c_str(), attributes);
}

void RemoveTree(const std::string& path)
{
    std::string from = path + '\0';
    SHFILEOPSTRUCTA op = {nullptr, FO_DELETE, from.c_str(), nullptr, FOF_NO_UI, FALSE, nullptr, nullptr};
    SHFileOperationA(&op);
}

// Every file and folder below dir, by its lower-case path below dir.
Tree Snapshot(const std::string& dir, const std::string& below = "")
{
    Tree tree;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + below + "\\*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &data)) {
        std::string path = below + "\\" + data.cFileName, key = path;
        DWORD bits = data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
        if (data.cFileName[0] == '.')
            continue;
        CharLowerBuffA(&key[0], static_cast<DWORD>(key.size()));
        tree[key] = {bits, bits & FILE_ATTRIBUTE_DIRECTORY ? "" : ReadText(dir + path)};
        if (bits & FILE_ATTRIBUTE_DIRECTORY)
            tree.merge(Snapshot(dir, path));
    }
    FindClose(find);
    return tree;
}

// A temporary copy of the program's own, which no run may leave behind.
bool IsLeftover(const std::string& name) { return std::regex_match(name, std::regex(R"(~tandrel\d+\.tmp)")); }

// Of the message box icons only the exclamation mark is yellow; it sits at the box's left.
bool ShowsExclamationIcon(HWND box)
{
    RECT r = {};
    GetWindowRect(box, &r);
    HDC screen = GetDC(nullptr);
    int yellow = 0;
    for (int tries = 0; tries < 50 && yellow <= 10; ++tries, Sleep(20))  // until the box is drawn
        for (int i = yellow = 0; i < 27 * 34; ++i) {
            COLORREF c = GetPixel(screen, r.left + i % 27 * 3, r.top + i / 27 * 3);
            yellow += GetRValue(c) > 200 && GetGValue(c) > 150 && GetBValue(c) < 100;
        }
    ReleaseDC(nullptr, screen);
    return yellow > 10;
}

struct Action {
    int control;  // 0: the dialog
    UINT msg;     // WM_KEYDOWN: the key wParam pressed
    WPARAM wParam;
};
const Action kOk{IDOK, BM_CLICK, 0}, kEnter{0, WM_KEYDOWN, VK_RETURN}, kCancel{IDCANCEL, BM_CLICK, 0},
    kEsc{0, WM_KEYDOWN, VK_ESCAPE}, kClose{0, WM_SYSCOMMAND, SC_CLOSE},
    kOkCommand{0, WM_COMMAND, MAKEWPARAM(IDOK, 1)}, kCancelCommand{0, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1)},  // as accelerators send them
    kAbout{0, WM_SYSCOMMAND, IDM_ABOUTBOX};

// A medium with two plug-ins and a folder, Photoshop 5.0 with its Filters
// folder, and the program; all removed when the test ends.
struct Scene : ::testing::Test {
    const std::string root = [] {
        static int count = 0;
        char temp[MAX_PATH];
        return std::string(temp, GetTempPathA(MAX_PATH, temp)) + "tandrel-" + std::to_string(++count);
    }();
    const std::string ps = root + "\\PS", vendor = root + kVendor, source = root + kSource;
    std::string drive = root;  // where Photoshop is, if not here
    Program program;
    HWND dlg = nullptr, edit = nullptr;
    Lines shown;         // the message boxes' texts
    std::string report;  // the last copy report shown
    DWORD exitCode = 1;
    std::vector<HANDLE> locks;

    Scene()
    {
        WriteText(ps + "\\Filters\\other maker.8bf", "not ours");
        SetPluginPath("5.0", REG_SZ, ps + "\\" + '\0');
        WriteText(source + "\\a.8bf", "new a");
        WriteText(source + "\\b.8bf", std::string("new b\0\xff", 7));
        WriteText(source + "\\ReadMe.txt", "read me");  // not every plug-in file is an .8bf
        WriteText(source + "\\LICENSE", "license");
        WriteText(source + "\\docs\\readme.txt", "not a plug-in");
        const char* exe = getenv("TANDREL_EXE");  // another copy of the program, such as a signed one
        WriteText(root + "\\medium\\Setup\\tandrel.exe", ReadText(exe ? exe : "tandrel.exe"));
    }
    ~Scene() override
    {
        program.Close();
        for (HANDLE lock : locks)
            CloseHandle(lock);
        RemoveTree(root);
        RemoveTree(drive + "\\PS");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Adobe");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults");
    }
    void SetPluginPath(const std::string& version, DWORD type, const std::string& data)
    {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Adobe\\Photoshop\\" + version).c_str(), "PlugInPath", type,
                        data.data(), static_cast<DWORD>(data.size()));
    }

    void Launch()
    {
        ASSERT_TRUE(program.Start(root + "\\medium\\Setup\\tandrel.exe"));
        ASSERT_NE(dlg = program.WaitDialog("Tandrel"), nullptr);
        edit = GetDlgItem(dlg, IDC_VERSION);
        program.Idle();
    }
    // Reads and answers every box now open into shown: a message box by its text,
    // a copy report by its head, the About box by its caption. Each disables the installer.
    void Boxes()
    {
        Settle();
        for (Box box; shown.size() < 20 && (box = program.WaitBox(dlg, 0)).hwnd; Settle()) {
            bool about = box.caption == "About Tandrel", isReport = box.text.rfind(kMsgCopyFailedHead, 0) == 0;
            EXPECT_TRUE(about || box.caption == "tandrel") << box.caption;
            EXPECT_TRUE(GetWindow(box.hwnd, GW_OWNER) == dlg && !IsWindowEnabled(dlg));
            EXPECT_TRUE(about || ShowsExclamationIcon(box.hwnd)) << box.text;
            report = isReport ? box.text : report;
            shown.push_back(about ? box.caption : isReport ? kMsgCopyFailedHead : box.text);
            CloseBox(box);
        }
    }
    // Returns once the program has handled what was posted to it and waits again.
    void Settle()
    {
        DWORD_PTR ignored;
        for (int i = 0; i < 2; ++i)  // the first may be answered before what was posted with it
            SendMessageTimeoutW(dlg, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
        program.Idle();
    }
    // Typed over the selected text key by key, or all at once as a fast typist
    // does before the first warning is up: the rest reach the field while it is.
    void Type(const std::string& text, bool atOnce)
    {
        program.Post(edit, EM_SETSEL, 0, -1);
        for (size_t i = 0; i < text.size(); ++i) {
            PostMessageW(edit, WM_CHAR, static_cast<unsigned char>(text[i]), 1);
            if (!atOnce || i + 1 == text.size())
                Boxes();
        }
    }
    void Act(const Action& action)
    {
        HWND target = action.control ? GetDlgItem(dlg, action.control) : dlg;
        if (action.msg == WM_KEYDOWN)
            program.Press(target, static_cast<UINT>(action.wParam));
        else
            program.Post(target, action.msg, action.wParam, 0);
    }
    bool Exited() { return program.WaitExit(10000, exitCode) && exitCode == 0; }
    Tree Snapshot()
    {
        Tree tree = ::Snapshot(root);
        tree.merge(::Snapshot(drive));
        return tree;
    }
};

// The tree after a run: if the copy ran, the vendor folder exists, holds every
// plug-in but those refused, and no leftover of an earlier run.
Tree Expected(Tree tree, bool installs, Lines refused)
{
    if (!installs)
        return tree;
    for (std::string& name : refused)
        CharLowerBuffA(&name[0], static_cast<DWORD>(name.size()));
    tree.emplace(kVendor, std::make_pair(DWORD(FILE_ATTRIBUTE_DIRECTORY), ""));
    for (const auto& [key, entry] : Tree(tree)) {
        std::string name = key.substr(key.find_last_of('\\') + 1);
        if (key == kSource + "\\" + name && !(entry.first & FILE_ATTRIBUTE_DIRECTORY) &&
            std::find(refused.begin(), refused.end(), name) == refused.end())
            tree[kVendor + "\\" + name] = entry;
        if (key == kVendor + "\\" + name && IsLeftover(name))
            tree.erase(key);
    }
    return tree;
}

struct Row {
    const char* name;
    void (*arrange)(Scene&);
    const char* typed;  // over the selected "5.0"; null: left alone
    bool atOnce;
    Action action;
    Lines boxes;
    bool installs;  // the copy ran
    Lines refused = {};  // the plug-ins the report must name, no more, no fewer
};

const char *kNotFound = "This version photoshop can't be found ,Please install it!", *kNoFolder = "Failed to create folder!",
           *kInvalid = "Invalid version number!", *kTooOld = "The version should be greater than 5.0";
void Nothing(Scene&) {}
void Photoshop7(Scene& s) { s.SetPluginPath("7.0", REG_SZ, s.ps); }

const Row kRows[] = {
    {"OkInstallsEveryPlainFile", Nothing, nullptr, false, kOk, {}, true},
    {"EnterAtOnceInstallsVersion5", Nothing, nullptr, false, kEnter, {}, true},
    {"OkCommandWithoutAClick", Nothing, nullptr, false, kOkCommand, {}, true},
    {"CancelButton", Nothing, nullptr, false, kCancel, {}, false},
    {"Esc", Nothing, nullptr, false, kEsc, {}, false},
    {"CloseBox", Nothing, nullptr, false, kClose, {}, false},
    {"CancelCommandWithoutAClick", Nothing, nullptr, false, kCancelCommand, {}, false},
    {"AboutBoxFromTheSystemMenu", Nothing, nullptr, false, kAbout, {"About Tandrel"}, false},
    // Only with every one of them gone is the vendor path short enough.
    {"ManyTrailingBackslashesNoTerminator", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, s.ps + std::string(259 - s.ps.size(), '\\')); },
     nullptr, false, kOk, {}, true},
    {"ExpandableString", [](Scene& s) { s.SetPluginPath("5.0", REG_EXPAND_SZ, s.ps + '\0'); }, nullptr, false, kOk, {}, true},
    {"BinaryValue", [](Scene& s) { s.SetPluginPath("5.0", REG_BINARY, s.ps + '\0'); }, nullptr, false, kOk, {kNotFound}, false},
    {"NoValue", [](Scene&) { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath"); },
     nullptr, false, kOk, {kNotFound}, false},
    {"PathOf259CharactersReadWhole", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, (s.ps + std::string(300, 'x')).substr(0, 259) + '\0'); },
     nullptr, false, kOk, {kNoFolder}, false},
    {"PathOf260CharactersNoTerminator", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, (s.ps + std::string(300, 'x')).substr(0, 260)); },
     nullptr, false, kOk, {kNotFound}, false},
    {"PathOf300Characters", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, s.ps + std::string(300, 'x') + '\0'); }, nullptr, false, kOk, {kNotFound}, false},
    {"FiltersMissing", [](Scene& s) { RemoveTree(s.ps + "\\Filters"); }, nullptr, false, kOk, {kNoFolder}, false},
    {"VendorFolderKeptPluginReplacedLeftoversRemoved",
     [](Scene& s) {
         for (const char* name : {"a.8bf", "notes.txt", "~tandrelx.tmp", "~tandrel.tmp", "~tandrel7.tmp.txt", "~tandrel8.tmp"})
             WriteText(s.vendor + "\\" + name, "old");
         WriteText(s.vendor + "\\~tandrel7.tmp", "cut", FILE_ATTRIBUTE_READONLY);
     },
     nullptr, false, kOk, {}, true},
    {"VendorPathIsAFile", [](Scene& s) { WriteText(s.vendor, "a file"); }, nullptr, false, kOk, {kMsgCopyFailedHead}, true,
     {"a.8bf", "b.8bf", "ReadMe.txt", "LICENSE"}},
    {"TargetsRefusingReplacementAndSourceAttributesCarried",
     [](Scene& s) {
         WriteText(s.vendor + "\\a.8bf", "old", FILE_ATTRIBUTE_READONLY);
         WriteText(s.vendor + "\\b.8bf", "old", FILE_ATTRIBUTE_HIDDEN);
         WriteText(s.source + "\\c.8bf", "new c");
         WriteText(s.vendor + "\\c.8bf", "old");
         s.locks.push_back(CreateFileA((s.vendor + "\\c.8bf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         WriteText(s.source + "\\ro.8bf", "ro", FILE_ATTRIBUTE_READONLY);
         WriteText(s.source + "\\hidden.8bf", "hidden", FILE_ATTRIBUTE_HIDDEN);
     },
     nullptr, false, kOk, {kMsgCopyFailedHead}, true, {"a.8bf", "b.8bf", "c.8bf"}},
    {"NoPluginsOnTheMedium", [](Scene& s) { RemoveTree(s.source); }, nullptr, false, kOk, {"The plugins to install is not found!"}, true},
    {"TypedVersionInstalled", Photoshop7, "7.0", false, kOk, {kInvalid}, true},
    {"TypedVersionTooOldAndMissing", Nothing, "4.0", false, kOk, {kInvalid, kTooOld, kTooOld, kNotFound}, false},
    {"KeysTypedWhileAWarningIsOpenAreKept", Photoshop7, "7.0", true, kOk, {kInvalid}, true},
    // Each copy needs room for the new version beside the old one; the one that
    // never has it stays whole and is named, whatever the order of the copies.
    {"FullDiskKeepsEachPluginWhole",
     [](Scene& s) {
         const char* drive = getenv("TANDREL_SMALL_DRIVE");
         if (!drive)
             GTEST_SKIP() << "needs a small drive: tests/win/with_small_drive.sh";
         s.SetPluginPath("5.0", REG_SZ, (s.drive = drive) + "\\PS");
         RemoveTree(s.source);
         for (std::string name : {"\\p1.8bf", "\\p2.8bf", "\\p3.8bf"}) {
             WriteText(s.drive + kVendor + name, std::string(600 << 10, 'o'));
             WriteText(s.source + name, std::string((name == "\\p2.8bf" ? 3500 : 100) << 10, 'n'));
         }
     },
     nullptr, false, kOk, {kMsgCopyFailedHead}, true, {"p2.8bf"}},
    // Each planted DLL leaves a marker beside it when loaded. Wine prefers its own
    // copies, so it is made to search the program's folder first, as Windows does;
    // not for version.dll, which Wine's user32 loads before the program runs.
    {"PlantedDllsAreNeverLoaded",
     [](Scene& s) {
         for (const char* dll : {"uxtheme", "dwmapi", "comctl32"})
             RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\tandrel.exe\\DllOverrides", dll, REG_SZ, "native,builtin", 15);
         for (std::string dll : {"uxtheme.dll", "dwmapi.dll", "version.dll", "comctl32.dll"})
             CopyFileA("planted\\planted.dll", (s.root + "\\medium\\Setup\\" + dll).c_str(), FALSE);
     },
     nullptr, false, kOk, {}, true},
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
struct Rows : Scene, ::testing::WithParamInterface<Row> {};

TEST_P(Rows, Run)
{
    const Row& row = GetParam();
    row.arrange(*this);
    if (IsSkipped())
        return;
    const Tree before = Snapshot();
    Launch();
    const std::string field = row.typed ? row.typed : "5.0";
    Type(row.typed ? row.typed : "", row.atOnce);
    EXPECT_EQ(WindowText(edit), field);
    Act(row.action);
    Boxes();
    EXPECT_EQ(shown, row.boxes);
    std::multiset<std::string> named;  // the report: its head, then a name a line in the order copied
    for (size_t at = report.find('\n'); at != std::string::npos; at = report.find('\n', at + 1))
        named.insert(report.substr(at + 1, report.find('\n', at + 1) - at - 1));
    EXPECT_EQ(named, std::multiset<std::string>(row.refused.begin(), row.refused.end()));
    if (!shown.empty() && (shown.back() == kNotFound || shown.back() == kNoFolder || shown.back() == "About Tandrel")) {
        EXPECT_TRUE(WindowText(edit) == field && IsWindowEnabled(dlg));  // the dialog stays as it was
        Act(kCancel);
    }
    EXPECT_TRUE(Exited());
    const Tree after = Snapshot(), expected = Expected(before, row.installs, row.refused);
    for (const auto& [key, entry] : after)
        EXPECT_TRUE(expected.count(key) && expected.at(key) == entry) << "unexpected: " << key << ", " << entry.second.size() << " bytes";
    for (const auto& [key, entry] : expected)
        EXPECT_TRUE(after.count(key)) << "missing: " << key;
}

INSTANTIATE_TEST_SUITE_P(Program, Rows, ::testing::ValuesIn(kRows), [](const auto& info) { return std::string(info.param.name); });

TEST_F(Scene, KilledDuringACopyThenRunAgain)
{
    const std::string big(128 << 20, 'n');
    WriteText(source + "\\big.8bf", big);
    WriteText(vendor + "\\big.8bf", "old big");
    Launch();
    PostMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    bool seen = false;  // a copy beside the plug-in, or over it
    for (int i = 0; i < 5000 && !seen; ++i, Sleep(1))
        seen = GetFileAttributesA((vendor + "\\~tandrel1.tmp").c_str()) != INVALID_FILE_ATTRIBUTES ||
               std::ifstream(vendor + "\\big.8bf", std::ios::ate | std::ios::binary).tellg() != 7;
    program.Close();
    ASSERT_TRUE(seen);
    const std::string killed = ReadText(vendor + "\\big.8bf");
    EXPECT_TRUE(killed == "old big" || killed == big) << killed.size() << " bytes";
    Launch();
    Act(kOk);
    Boxes();
    EXPECT_EQ(shown, Lines{});
    EXPECT_TRUE(Exited() && ReadText(vendor + "\\big.8bf") == big && ::Snapshot(vendor).size() == 5);  // a, b, ReadMe.txt, LICENSE and big
}

}  // namespace
