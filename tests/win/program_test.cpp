// The real tandrel.exe on a test medium, used as a person would. A row is the
// registry and files before, the keys typed and what ends the dialog; then the
// boxes shown, and the whole tree after, compared with what it must be: every
// plug-in installed byte for byte or named in the report, nothing else written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>

#include "engine/messages.h"
#include "res/resource.h"
#include "tools/ui_driver.h"

namespace {

using Lines = std::vector<std::string>;
using Tree = std::map<std::string, std::pair<DWORD, std::string>>;  // UTF-8 path: attribute bits, content

const std::string kSource = "\\medium\\photoshopplugins";

// The test names its files in UTF-8 and reaches them through the wide
// functions, so that it sees every name as it is, in any code page.
std::string Lower(std::string utf8)
{
    std::wstring wide = Wide(utf8);
    CharLowerBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    return ToUtf8(wide);
}

// text as the ANSI code page shows it, '?' for what it cannot spell.
std::string Shown(const std::string& utf8)
{
    std::wstring wide = Wide(utf8);
    std::string ansi(wide.size() * 2, '\0');
    ansi.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                                        &ansi[0], static_cast<int>(ansi.size()), nullptr, nullptr)));
    std::wstring back(ansi.size(), L'\0');
    back.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &back[0], static_cast<int>(back.size()))));
    return ToUtf8(back);
}

// A full path as it is, without the trailing dots and blanks Windows would drop.
std::wstring Long(const std::string& path) { return (path.size() > 1 && path[1] == ':' ? L"\\\\?\\" : L"") + Wide(path); }

std::string ReadText(const std::string& path)
{
    std::ifstream in(std::filesystem::path(Long(path)), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<unreadable>";
}

void WriteText(const std::string& path, const std::string& content, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::u8path(path).parent_path(), ignored);
    SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(std::filesystem::path(Long(path)), std::ios::binary) << content;
    SetFileAttributesW(Long(path).c_str(), attributes);
}

// Wine's SHFileOperation stops at some names this test makes.
void RemoveTree(const std::string& path)
{
    const std::wstring wide = Long(path);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(wide.c_str()))
        return;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((wide + L"\\*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data))
        if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L".."))
            RemoveTree(path + "\\" + ToUtf8(data.cFileName));
    FindClose(find);
    RemoveDirectoryW(wide.c_str());
}

// Every file and folder below dir, by its lower-case path below dir.
Tree Snapshot(const std::string& dir, const std::string& below = "")
{
    Tree tree;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Long(dir + below + "\\*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        const std::string name = ToUtf8(data.cFileName), path = below + "\\" + name;
        const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
        const DWORD bits = data.dwFileAttributes & kept;
        if (name == "." || name == "..")
            continue;
        tree[Lower(path)] = {bits, bits & FILE_ATTRIBUTE_DIRECTORY ? "" : ReadText(dir + path)};
        if (bits & FILE_ATTRIBUTE_DIRECTORY)
            tree.merge(Snapshot(dir, path));
    }
    FindClose(find);
    return tree;
}

// What the test writes to the registry, put back as it was when it ends: a key
// it made goes with everything below it, a value it changed gets its old data.
// On a real machine the keys are Photoshop's and Adobe's own.
class ScratchRegistry {
public:
    // Call before writing value under root\key; false (write nothing then) if it cannot be saved.
    bool Before(HKEY root, const std::string& key, const std::string& value)
    {
        for (size_t end = key.find('\\');; end = key.find('\\', end + 1)) {
            const std::wstring path = Wide(key.substr(0, end));
            HKEY open;
            const LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &open);
            if (status == ERROR_FILE_NOT_FOUND) {
                m_undo.push_back([=] { RegDeleteTreeW(root, path.c_str()); });
                return true;
            }
            if (status != ERROR_SUCCESS)
                return false;
            RegCloseKey(open);
            if (end == std::string::npos)
                break;
        }
        const std::wstring k = Wide(key), v = Wide(value);
        HKEY open = nullptr;
        RegOpenKeyExW(root, k.c_str(), 0, KEY_QUERY_VALUE, &open);
        DWORD type = 0, size = 0;
        LSTATUS status = RegQueryValueExW(open, v.c_str(), nullptr, &type, nullptr, &size);
        std::vector<BYTE> data(size);
        if (status == ERROR_SUCCESS)  // the bytes as stored, terminator or not
            status = RegQueryValueExW(open, v.c_str(), nullptr, &type, data.data(), &size);
        RegCloseKey(open);
        if (status == ERROR_SUCCESS)
            m_undo.push_back([=] { RegSetKeyValueW(root, k.c_str(), v.c_str(), type, data.data(), size); });
        else if (status == ERROR_FILE_NOT_FOUND)
            m_undo.push_back([=] { RegDeleteKeyValueW(root, k.c_str(), v.c_str()); });
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    ~ScratchRegistry()
    {
        for (auto undo = m_undo.rbegin(); undo != m_undo.rend(); ++undo)
            (*undo)();
    }

private:
    std::vector<std::function<void()>> m_undo;
};

bool RunsUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

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
        wchar_t temp[MAX_PATH];
        const std::string base = ToUtf8(std::wstring(temp, GetTempPathW(MAX_PATH, temp))) + "tandrel-";
        for (int n = 1; n < 100000; ++n)  // a folder of its own, never one that was there
            if (CreateDirectoryW(Wide(base + std::to_string(n)).c_str(), nullptr))
                return base + std::to_string(n);
        std::printf("program_win_tests: cannot make a folder of its own in %s\n", base.c_str());
        std::abort();  // rather than write, and later remove, anything anywhere else
    }();
    const std::string ps = root + "\\PS", source = root + kSource;
    std::string vendor = ps + "\\Filters\\Morvask software", setup = root + "\\medium\\Setup";
    std::string exe = "tandrel.exe", title = "tandrel";  // the program file, and so the boxes' caption
    std::string drive = root;  // where Photoshop is, if not here
    ScratchRegistry registry;
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
        const char* other = getenv("TANDREL_EXE");  // another copy of the program, such as a signed one
        WriteText(setup + "\\" + exe, ReadText(other ? other : "tandrel.exe"));
    }
    ~Scene() override
    {
        program.Close();
        for (HANDLE lock : locks)
            CloseHandle(lock);
        RemoveTree(root);
        if (drive != root)
            RemoveTree(drive + "\\PS");
    }
    // data: UTF-8, stored as the system stores strings.
    void SetPluginPath(const std::string& version, DWORD type, const std::string& data)
    {
        const std::string key = "SOFTWARE\\Adobe\\Photoshop\\" + version;
        if (!registry.Before(HKEY_LOCAL_MACHINE, key, "PlugInPath")) {
            ADD_FAILURE() << "cannot save " << key << " to put it back";
            return;
        }
        const std::wstring wide = Wide(data);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, Wide(key).c_str(), L"PlugInPath", type, wide.data(),
                        static_cast<DWORD>(wide.size() * sizeof(wchar_t)));
    }

    void Launch()
    {
        ASSERT_TRUE(program.Start(setup + "\\" + exe));
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
            for (int i = 0; i < 100 && IsWindowEnabled(dlg); ++i)  // disabled just after the box shows
                Sleep(10);
            bool about = box.caption == "About Tandrel", isReport = box.text.rfind(kMsgCopyFailedHead, 0) == 0;
            EXPECT_TRUE(about || box.caption == title) << box.caption;
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
    // The tree after a run: if the copy ran, the vendor folder exists, holds every
    // plug-in but those refused (by the name the report shows), and no leftover
    // of an earlier run.
    Tree Expected(Tree tree, bool installs, Lines refused) const
    {
        if (!installs)
            return tree;
        for (std::string& name : refused)
            name = Lower(name);
        const std::string at = Lower(vendor.substr(drive.size()));
        tree.emplace(at, std::make_pair(DWORD(FILE_ATTRIBUTE_DIRECTORY), ""));
        for (const auto& [key, entry] : Tree(tree)) {
            std::string name = key.substr(key.find_last_of('\\') + 1);
            if (key == Lower(kSource) + "\\" + name && !(entry.first & FILE_ATTRIBUTE_DIRECTORY) &&
                std::find(refused.begin(), refused.end(), Lower(Shown(name))) == refused.end())
                tree[at + "\\" + name] = entry;
            if (key == at + "\\" + name && IsLeftover(name))
                tree.erase(key);
        }
        return tree;
    }
};

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

// The ANSI code page a row needs, from its name's end (the tests run filter on it): ...Cp932; 0: any.
UINT CodePageOf(const Row& row)
{
    std::cmatch match;
    return std::regex_search(row.name, match, std::regex(R"(Cp(\d+)$)")) ? static_cast<UINT>(std::stoul(match[1])) : 0;
}

const char *kNotFound = "This version photoshop can't be found ,Please install it!", *kNoFolder = "Failed to create folder!",
           *kInvalid = "Invalid version number!", *kTooOld = "The version should be greater than 5.0";
const char* kNoPlugins = "The plugins to install is not found!";
void Nothing(Scene&) {}
// ..<sep>..<sep>x<sep>escape.txt, sep a character the code page bends into '\\'.
void PlantEscape(Scene& s, const std::string& sep)
{
    WriteText(s.source + "\\.." + sep + ".." + sep + "x" + sep + "escape.txt", "escaped");
    WriteText(s.root + "\\x\\escape.txt", "outside the medium's plug-ins");
    WriteText(s.ps + "\\x\\keep.txt", "outside the vendor folder");
}
// PS\ and then characters of two bytes in code page 932: exactly bytes bytes there.
std::string DoubleBytePath(Scene& s, size_t bytes)
{
    std::string path = s.ps + "\\";
    size_t ansi = static_cast<size_t>(WideCharToMultiByte(932, 0, Wide(path).c_str(), -1, nullptr, 0, nullptr, nullptr) - 1);
    for (; ansi + 2 <= bytes; ansi += 2)
        path += u8"\u8868";
    return path + std::string(bytes - ansi, 'x') + '\0';
}
// Blur.8bf and its fullwidth twin, which code page 1252 folds onto it.
void FullwidthTwins(Scene& s)
{
    WriteText(s.source + "\\Blur.8bf", "ascii");
    WriteText(s.source + u8"\\\uFF22lur.8bf", "fullwidth");
}
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
    {"NoValue", [](Scene&) { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Adobe\\Photoshop\\5.0", L"PlugInPath"); },
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
         WriteText(s.source + "\\d.8bf", "new d");
         WriteText(s.vendor + "\\d.8bf", "old", FILE_ATTRIBUTE_SYSTEM);
         WriteText(s.source + "\\c.8bf", "new c");
         WriteText(s.vendor + "\\c.8bf", "old");
         s.locks.push_back(CreateFileW(Wide(s.vendor + "\\c.8bf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         WriteText(s.source + "\\ro.8bf", "ro", FILE_ATTRIBUTE_READONLY);
         WriteText(s.source + "\\hidden.8bf", "hidden", FILE_ATTRIBUTE_HIDDEN);
     },
     nullptr, false, kOk, {kMsgCopyFailedHead}, true, {"a.8bf", "b.8bf", "c.8bf", "d.8bf"}},
    {"NoPluginsOnTheMedium", [](Scene& s) { RemoveTree(s.source); }, nullptr, false, kOk, {kNoPlugins}, true},
    {"OnlyFoldersOnTheMedium",
     [](Scene& s) {
         for (const char* name : {"a.8bf", "b.8bf", "ReadMe.txt", "LICENSE"})
             RemoveTree(s.source + "\\" + name);
     },
     nullptr, false, kOk, {kNoPlugins}, true},
    // A name that the code page bends into a path leading out of both folders,
    // to a file that is there and a folder it could be written to.
    {"NameBentIntoAPathCp1252", [](Scene& s) { PlantEscape(s, u8"\uFF3C"); }, nullptr, false, kOk, {kMsgCopyFailedHead}, true,
     {"..?..?x?escape.txt"}},
    {"NameBentIntoAPathCp932", [](Scene& s) { PlantEscape(s, u8"\u00A5"); }, nullptr, false, kOk, {kMsgCopyFailedHead}, true,
     {"..?..?x?escape.txt"}},
    // Bent, the path would name a folder that has a Filters folder.
    {"PluginPathTheCodePageBendsCp1252",
     [](Scene& s) {
         s.SetPluginPath("5.0", REG_SZ, s.ps + u8"\\x\uFF3C..\uFF3C.." + '\0');
         WriteText(s.root + "\\Filters\\other maker.8bf", "not ours");
     },
     nullptr, false, kOk, {kNotFound}, false},
    // Windows drops a trailing dot or blank, so these would read and replace zz.8bf; NUL is a device.
    {"NamesWindowsWouldChange",
     [](Scene& s) {
         for (const char* name : {"zz.8bf", "zz.8bf.", "zz.8bf ", "NUL.8bf"})
             WriteText(s.source + "\\" + name, name);
     },
     nullptr, false, kOk, {kMsgCopyFailedHead}, true, {"zz.8bf.", "zz.8bf ", "NUL.8bf"}},
    {"FullwidthNameNeverStandsInForItsTwinCp1252", FullwidthTwins, nullptr, false, kOk, {kMsgCopyFailedHead}, true, {"?lur.8bf"}},
    {"FullwidthNameInstalledAsItselfCp932", FullwidthTwins, nullptr, false, kOk, {}, true},
    // The second byte of \u8868 is a backslash.
    {"PluginPathEndingInADoubleByteCharacterCp932",
     [](Scene& s) {
         s.SetPluginPath("5.0", REG_SZ, s.ps + u8"\\\u8868\\\\");
         s.vendor = s.ps + u8"\\\u8868\\Filters\\Morvask software";
         WriteText(s.ps + u8"\\\u8868\\Filters\\other maker.8bf", "not ours");
     },
     nullptr, false, kOk, {}, true},
    {"ProgramNamedWithADoubleByteCharacterCp932",
     [](Scene& s) {
         MoveFileW(Wide(s.setup + "\\" + s.exe).c_str(), Wide(s.setup + u8"\\\u8868.exe").c_str());
         s.exe = u8"\u8868.exe", s.title = u8"\u8868";
         RemoveTree(s.ps + "\\Filters");
     },
     nullptr, false, kOk, {kNoFolder}, false},
    // Far fewer characters, but bytes up to what the code page's buffer holds, and one more.
    {"PluginPathOf259BytesCp932", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, DoubleBytePath(s, 259)); }, nullptr, false, kOk,
     {kNoFolder}, false},
    {"PluginPathOf260BytesCp932", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, DoubleBytePath(s, 260)); }, nullptr, false, kOk,
     {kNotFound}, false},
    {"ProgramFolderEndingInADoubleByteCharacterCp932",
     [](Scene& s) {
         const std::string moved = s.setup + u8"\u8868";
         MoveFileW(Wide(s.setup).c_str(), Wide(moved).c_str());
         s.setup = moved;
     },
     nullptr, false, kOk, {}, true},
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
         s.vendor = s.drive + "\\PS\\Filters\\Morvask software";
         RemoveTree(s.source);
         for (std::string name : {"\\p1.8bf", "\\p2.8bf", "\\p3.8bf"}) {
             WriteText(s.vendor + name, std::string(600 << 10, 'o'));
             WriteText(s.source + name, std::string((name == "\\p2.8bf" ? 3500 : 100) << 10, 'n'));
         }
     },
     nullptr, false, kOk, {kMsgCopyFailedHead}, true, {"p2.8bf"}},
    // Each planted DLL leaves a marker beside it when loaded. Wine prefers its own
    // copies, so it is made to search the program's folder first, as Windows does;
    // not for version.dll, which Wine's user32 loads before the program runs.
    {"PlantedDllsAreNeverLoaded",
     [](Scene& s) {
         const char* overrides = "Software\\Wine\\AppDefaults\\tandrel.exe\\DllOverrides";
         for (const char* dll : {"uxtheme", "dwmapi", "comctl32"})
             if (s.registry.Before(HKEY_CURRENT_USER, overrides, dll))
                 RegSetKeyValueA(HKEY_CURRENT_USER, overrides, dll, REG_SZ, "native,builtin", 15);
         for (std::string dll : {"uxtheme.dll", "dwmapi.dll", "version.dll", "comctl32.dll"})
             WriteText(s.setup + "\\" + dll, ReadText("planted\\planted.dll"));
     },
     nullptr, false, kOk, {}, true},
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
struct Rows : Scene, ::testing::WithParamInterface<Row> {};

TEST_P(Rows, Run)
{
    const Row& row = GetParam();
    // Under Wine the test's locale sets the code page, so a mismatch is a fault of
    // the run; on Windows it is the machine's.
    if (const UINT codePage = CodePageOf(row); codePage && codePage != GetACP()) {
        ASSERT_FALSE(RunsUnderWine()) << "needs code page " << codePage << ", runs in " << GetACP();
        GTEST_SKIP() << "needs code page " << codePage << ", this machine's is " << GetACP();
    }
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

LONGLONG FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// Killed while the big plug-in's copy is half written (tried again until a kill
// lands there), then run again.
TEST_F(Scene, KilledDuringACopyThenRunAgain)
{
    const std::string big(128 << 20, 'n'), temp = vendor + "\\~tandrel1.tmp";
    WriteText(source + "\\big.8bf", big);
    const auto inBigCopy = [&] { return FileSize(temp) > 1 << 20; };  // the small plug-ins never get there
    bool cut = false;
    for (int attempt = 0; attempt < 5 && !cut; ++attempt) {
        WriteText(vendor + "\\big.8bf", "old big");
        Launch();
        PostMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
        for (int i = 0; i < 10000 && !inBigCopy(); ++i)
            Sleep(1);
        program.Close();
        cut = inBigCopy() && ReadText(temp) != big;  // the size may be set before the content is written
    }
    ASSERT_TRUE(cut) << "no kill landed while the copy was being written";
    EXPECT_EQ(ReadText(vendor + "\\big.8bf"), "old big");
    Launch();
    Act(kOk);
    Boxes();
    EXPECT_EQ(shown, Lines{}) << report;
    EXPECT_TRUE(Exited() && ReadText(vendor + "\\big.8bf") == big && ::Snapshot(vendor).size() == 5);  // a, b, ReadMe.txt, LICENSE and big
}

}  // namespace

// Outside Wine these tests write Photoshop's registry keys and files on the
// machine they run on: only where it says it may be thrown away.
int main(int argc, char** argv)
{
    const char* disposable = getenv("TANDREL_DISPOSABLE_MACHINE");
    if (!RunsUnderWine() && !(disposable && std::string(disposable) == "1")) {
        std::printf("program_win_tests: not run. Outside Wine they change HKLM\\SOFTWARE\\Adobe and write files on this "
                    "machine; set TANDREL_DISPOSABLE_MACHINE=1 only on a machine that may be thrown away.\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    // What the tests must leave as they found it: a value they overwrite and a key beside theirs.
    const char* kept[][2] = {{"SOFTWARE\\Adobe\\Photoshop\\5.0", "PlugInPath"}, {"SOFTWARE\\Adobe\\Acrobat", "Kept"}};
    ScratchRegistry registry;
    for (const auto& [key, value] : kept)
        if (registry.Before(HKEY_LOCAL_MACHINE, key, value))
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, value, REG_SZ, "kept", 5);
    int failed = RUN_ALL_TESTS();
    for (const auto& [key, value] : kept) {
        char data[8] = {};
        DWORD size = sizeof data;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS || strcmp(data, "kept")) {
            std::printf("program_win_tests: FAILED: HKLM\\%s value %s was not left as it was\n", key, value);
            failed = 1;
        }
    }
    return failed;
}
