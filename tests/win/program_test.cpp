// The real tandrel.exe on a test medium, used as a person would. A row is the
// registry and files before, the keys typed and what ends the dialog; then the
// boxes shown, and the whole tree after, compared with what it must be: every
// plug-in installed byte for byte or named in the report, nothing else written.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "engine/messages.h"
#include "res/resource.h"
#include "tools/ui_driver.h"

namespace {

using Lines = std::vector<std::string>;
using Tree = std::map<std::string, std::pair<DWORD, std::string>>;  // path: attribute bits, content

const std::string kVendor = "\\ps\\filters\\morvask software", kSource = "\\medium\\photoshopplugins";

std::string Beside(const std::string& name)  // beside this test program
{
    char self[MAX_PATH];
    std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

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
bool IsLeftover(const std::string& name)
{
    size_t digits = name.find_first_not_of("0123456789", 8);
    return name.rfind("~tandrel", 0) == 0 && digits > 8 && name.substr(digits) == ".tmp";
}

bool HasLeftover(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\~tandrel*").c_str(), &data);
    FindClose(find);
    return find != INVALID_HANDLE_VALUE;
}

// Of the message box icons only the exclamation mark is yellow; it sits at the box's left.
bool ShowsExclamationIcon(HWND box)
{
    RECT r = {};
    GetWindowRect(box, &r);
    HDC screen = GetDC(nullptr);
    int yellow = 0;
    for (int x = r.left; x < r.left + 80; x += 3)
        for (int y = r.top; y < r.top + 100; y += 3) {
            COLORREF c = GetPixel(screen, x, y);
            yellow += GetRValue(c) > 200 && GetGValue(c) > 150 && GetBValue(c) < 100;
        }
    ReleaseDC(nullptr, screen);
    return yellow > 10;
}

struct Action {
    int control;  // 0: the dialog; -1: the control with the focus
    UINT msg;     // WM_KEYDOWN: the key wParam pressed
    WPARAM wParam;
};
const Action kOk{IDOK, BM_CLICK, 0}, kEnter{-1, WM_KEYDOWN, VK_RETURN}, kCancel{IDCANCEL, BM_CLICK, 0},
    kEsc{-1, WM_KEYDOWN, VK_ESCAPE}, kClose{0, WM_SYSCOMMAND, SC_CLOSE},
    kOkCommand{0, WM_COMMAND, MAKEWPARAM(IDOK, 1)}, kCancelCommand{0, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1)};  // as accelerators send them

// A medium with two plug-ins and a folder, Photoshop 5.0 with its Filters
// folder, and the program; all removed when the test ends.
struct Scene : ::testing::Test {
    const std::string root = [] {
        static int count = 0;
        char temp[MAX_PATH];
        return std::string(temp, GetTempPathA(MAX_PATH, temp)) + "tandrel-" + std::to_string(++count);
    }();
    const std::string ps = root + "\\PS", vendor = root + kVendor, source = root + kSource;
    Program program;
    HWND dlg = nullptr, edit = nullptr;
    std::string report;  // the last copy report shown
    std::vector<HANDLE> locks;

    Scene()
    {
        WriteText(ps + "\\Filters\\other maker.8bf", "not ours");
        SetPluginPath("5.0", REG_SZ, ps + "\\" + '\0');
        WriteText(source + "\\a.8bf", "new a");
        WriteText(source + "\\b.8bf", std::string("new b\0\xff", 7));
        WriteText(source + "\\docs\\readme.txt", "not a plug-in");
        WriteText(root + "\\medium\\Setup\\tandrel.exe", ReadText(Beside("tandrel.exe")));
    }
    ~Scene() override
    {
        program.Close();
        for (HANDLE lock : locks)
            CloseHandle(lock);
        RemoveTree(root);
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
    // Reads and answers every box now open; a copy report by its head.
    Lines Boxes()
    {
        Lines texts;
        program.Idle();
        for (Box box; texts.size() < 20 && (box = program.WaitBox(dlg, 0)).hwnd;) {
            EXPECT_EQ(box.caption, "tandrel");
            EXPECT_EQ(GetWindow(box.hwnd, GW_OWNER), dlg);
            EXPECT_TRUE(ShowsExclamationIcon(box.hwnd)) << box.text;
            bool isReport = box.text.rfind(kMsgCopyFailedHead, 0) == 0;
            report = isReport ? box.text : report;
            texts.push_back(isReport ? kMsgCopyFailedHead : box.text);
            CloseBox(box);
            program.Idle();
        }
        return texts;
    }
    // Typed over the selected text key by key, or all at once as a fast
    // typist does before the first warning is up.
    Lines Type(const std::string& text, bool atOnce)
    {
        program.Post(edit, EM_SETSEL, 0, -1);
        Lines texts;
        for (size_t i = 0; i < text.size(); ++i) {
            PostMessageW(edit, WM_CHAR, static_cast<unsigned char>(text[i]), 1);
            if (atOnce && i + 1 < text.size())
                continue;  // these reach the field while the first warning is up
            for (int wait = 0; wait < 250 && WindowText(edit) != text.substr(0, i + 1); ++wait)
                Sleep(20);
            for (const std::string& box : Boxes())
                texts.push_back(box);
        }
        return texts;
    }
    void Act(const Action& action)
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &info);
        HWND target = action.control > 0 ? GetDlgItem(dlg, action.control) : action.control ? info.hwndFocus : dlg;
        ASSERT_NE(target, nullptr);
        if (action.msg == WM_KEYDOWN)
            program.Press(target, static_cast<UINT>(action.wParam));
        else
            program.Post(target, action.msg, action.wParam, 0);
    }
    bool Exited()
    {
        DWORD code = 1;
        return program.WaitExit(10000, code) && code == 0;
    }
};

// The tree after a run: if the copy ran, the vendor folder exists, holds every
// plug-in the report does not name, and no leftover of an earlier run.
Tree Expected(Tree tree, bool installs, std::string report)
{
    CharLowerBuffA(&report[0], static_cast<DWORD>(report.size()));
    for (const auto& [key, entry] : Tree(tree)) {
        std::string name = key.substr(key.find_last_of('\\') + 1);
        if (installs && key == kSource + "\\" + name && !(entry.first & FILE_ATTRIBUTE_DIRECTORY) &&
            (report + "\n").find("\n" + name + "\n") == std::string::npos)
            tree[kVendor + "\\" + name] = entry;
        if (installs && key == kVendor + "\\" + name && IsLeftover(name))
            tree.erase(key);
    }
    if (installs)
        tree.emplace(kVendor, std::make_pair(DWORD(FILE_ATTRIBUTE_DIRECTORY), ""));
    return tree;
}

void ExpectTree(const Tree& actual, const Tree& expected)
{
    for (const auto& [key, entry] : actual)
        EXPECT_TRUE(expected.count(key) && expected.at(key) == entry) << "unexpected: " << key << ", " << entry.second.size() << " bytes";
    for (const auto& [key, entry] : expected)
        EXPECT_TRUE(actual.count(key)) << "missing: " << key;
}

struct Row {
    const char* name;
    void (*arrange)(Scene&);
    const char* typed;  // over the selected "5.0"; null: left alone
    bool atOnce;
    Action action;
    Lines boxes;
    bool installs;  // the copy ran
};

const std::string kLong(300, 'x');
const char *kNotFound = kMsgVersionNotFound, *kNoFolder = kMsgCreateFolderFailed, *kInvalid = kMsgInvalidVersion;
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
    {"TrailingBackslashesNoTerminator", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, s.ps + "\\\\\\"); }, nullptr, false, kOk, {}, true},
    {"ExpandableString", [](Scene& s) { s.SetPluginPath("5.0", REG_EXPAND_SZ, s.ps + '\0'); }, nullptr, false, kOk, {}, true},
    {"BinaryValue", [](Scene& s) { s.SetPluginPath("5.0", REG_BINARY, s.ps + '\0'); }, nullptr, false, kOk, {kNotFound}, false},
    {"NoValue", [](Scene&) { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath"); },
     nullptr, false, kOk, {kNotFound}, false},
    {"PathOf259CharactersReadWhole", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, (s.ps + kLong).substr(0, 259) + '\0'); },
     nullptr, false, kOk, {kNoFolder}, false},
    {"PathOf260CharactersNoTerminator", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, (s.ps + kLong).substr(0, 260)); },
     nullptr, false, kOk, {kNotFound}, false},
    {"PathOf300Characters", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, s.ps + kLong + '\0'); }, nullptr, false, kOk, {kNotFound}, false},
    {"FiltersMissing", [](Scene& s) { RemoveTree(s.ps + "\\Filters"); }, nullptr, false, kOk, {kNoFolder}, false},
    {"VendorFolderKeptPluginReplacedLeftoversRemoved",
     [](Scene& s) {
         for (const char* name : {"a.8bf", "notes.txt", "~tandrelx.tmp", "~tandrel7.tmp.txt", "~tandrel8.tmp"})
             WriteText(s.vendor + "\\" + name, "old");
         WriteText(s.vendor + "\\~tandrel7.tmp", "cut", FILE_ATTRIBUTE_READONLY);
     },
     nullptr, false, kOk, {}, true},
    {"VendorPathIsAFile", [](Scene& s) { WriteText(s.vendor, "a file"); }, nullptr, false, kOk, {kMsgCopyFailedHead}, true},
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
     nullptr, false, kOk, {kMsgCopyFailedHead}, true},
    {"NoPluginsOnTheMedium", [](Scene& s) { RemoveTree(s.source); }, nullptr, false, kOk, {kMsgPluginsNotFound}, true},
    {"TypedVersionInstalled", Photoshop7, "7.0", false, kOk, {kInvalid}, true},
    {"TypedVersionTooOldAndMissing", Nothing, "4.0", false, kOk, {kInvalid, kMsgVersionTooOld, kMsgVersionTooOld, kNotFound}, false},
    {"KeysTypedWhileAWarningIsOpenAreKept", Photoshop7, "7.0", true, kOk, {kInvalid}, true},
    // Each planted DLL leaves a marker beside it when loaded. Wine prefers its own
    // copies, so it is made to search the program's folder first, as Windows does;
    // not for version.dll, which Wine's user32 loads before the program runs.
    {"PlantedDllsAreNeverLoaded",
     [](Scene& s) {
         for (const char* dll : {"uxtheme", "dwmapi", "comctl32"})
             RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\tandrel.exe\\DllOverrides", dll, REG_SZ, "native,builtin", 15);
         for (std::string dll : {"uxtheme.dll", "dwmapi.dll", "version.dll", "comctl32.dll"})
             CopyFileA(Beside("planted\\" + dll).c_str(), (s.root + "\\medium\\Setup\\" + dll).c_str(), FALSE);
     },
     nullptr, false, kOk, {}, true},
};

struct Rows : Scene, ::testing::WithParamInterface<Row> {};

TEST_P(Rows, Run)
{
    const Row& row = GetParam();
    row.arrange(*this);
    const Tree before = Snapshot(root);
    Launch();
    Lines boxes = row.typed ? Type(row.typed, row.atOnce) : Lines{};
    const std::string field = row.typed ? row.typed : "5.0";
    EXPECT_EQ(WindowText(edit), field);
    Act(row.action);
    for (const std::string& text : Boxes())
        boxes.push_back(text);
    EXPECT_EQ(boxes, row.boxes);
    if (!boxes.empty() && (boxes.back() == kNotFound || boxes.back() == kNoFolder)) {
        EXPECT_EQ(WindowText(edit), field);  // the dialog stays for a correction
        Act(kCancel);
    }
    EXPECT_TRUE(Exited());
    ExpectTree(Snapshot(root), Expected(before, row.installs, report));
}

INSTANTIATE_TEST_SUITE_P(Program, Rows, ::testing::ValuesIn(kRows), [](const auto& info) { return std::string(info.param.name); });

TEST_F(Scene, AboutBoxIsModalToTheInstaller)
{
    Launch();
    program.Post(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = program.WaitDialog("About Tandrel");
    EXPECT_TRUE(about && GetWindow(about, GW_OWNER) == dlg && !IsWindowEnabled(dlg));
    program.Press(GetDlgItem(about, IDOK), VK_ESCAPE);
    for (int i = 0; i < 250 && IsWindow(about); ++i)
        Sleep(20);
    EXPECT_TRUE(!IsWindow(about) && IsWindowEnabled(dlg));
    EXPECT_EQ(WindowText(edit), "5.0");
    Act(kCancel);
    EXPECT_TRUE(Exited());
}

TEST_F(Scene, KilledDuringACopyThenRunAgain)
{
    const std::string big(128 << 20, 'n');
    WriteText(source + "\\big.8bf", big);
    WriteText(vendor + "\\big.8bf", "old big");
    Launch();
    PostMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    for (int i = 0; i < 5000 && !HasLeftover(vendor); ++i)
        Sleep(1);
    ASSERT_TRUE(HasLeftover(vendor)) << "the copy ended before it could be interrupted";
    program.Close();
    EXPECT_EQ(ReadText(vendor + "\\big.8bf"), "old big");
    Launch();
    Act(kOk);
    EXPECT_EQ(Boxes(), Lines{});
    EXPECT_TRUE(Exited() && ReadText(vendor + "\\big.8bf") == big && !HasLeftover(vendor));
}

TEST_F(Scene, FullDiskLeavesEachPluginWhole)
{
    const char* drive = getenv("TANDREL_SMALL_DRIVE");
    if (!drive)
        GTEST_SKIP() << "needs a small drive: tests/win/with_small_drive.sh";
    const std::string target = std::string(drive) + "\\PS\\Filters\\Morvask software\\", old(600 << 10, 'o'), fresh(1500 << 10, 'n');
    RemoveTree(source);
    SetPluginPath("5.0", REG_SZ, std::string(drive) + "\\PS");
    for (const char* name : {"p1.8bf", "p2.8bf", "p3.8bf"}) {
        WriteText(target + name, old);
        WriteText(source + "\\" + name, fresh);
    }
    Launch();
    Act(kOk);
    EXPECT_EQ(Boxes(), Lines{kMsgCopyFailedHead});
    EXPECT_TRUE(Exited());
    int replaced = 0;
    for (const char* name : {"p1.8bf", "p2.8bf", "p3.8bf"}) {
        std::string content = ReadText(target + name);
        bool named = report.find(std::string("\n") + name) != std::string::npos;
        EXPECT_TRUE(content == fresh ? !named : content == old && named) << name << ": " << content.size() << " bytes";
        replaced += content == fresh;
    }
    EXPECT_TRUE(replaced >= 1 && !HasLeftover(target.substr(0, target.size() - 1)));
    RemoveTree(std::string(drive) + "\\PS");
}

}  // namespace
