// The real tandrel.exe on a test medium, used as a person would. A row is the
// registry and files before, the keys typed and what ends the dialog; then the
// boxes shown, and the whole tree after, compared with what it must be: every
// plug-in installed byte for byte or named in the report, nothing else written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>

#include "res/resource.h"
#include "tools/ui_driver.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
struct Node {
    DWORD bits;
    std::string content;
    LONGLONG written;  // a file's last-write time
    bool operator==(const Node& other) const { return bits == other.bits && content == other.content && written == other.written; }
};
using Tree = std::map<std::string, Node>;  // by UTF-8 path
void PrintTo(const Node& node, std::ostream* out) { *out << "attributes " << node.bits << ", " << node.content.size() << " bytes, written " << node.written; }

const std::string kSource = "\\medium\\photoshopplugins";
const char kAboutCaption[] = "About Tandrel";
const char *kNotFound = "This version photoshop can't be found ,Please install it!", *kNoFolder = "Failed to create folder!",
           *kInvalid = "Invalid version number!", *kTooOld = "The version should be greater than 5.0",
           *kNoPlugins = "The plugins to install is not found!", *kReport = "The following plugins could not be installed:",
           *kHeldHint = "Some of them are in use: close Photoshop, or whatever holds them, and run the installer again.";

// Every wait is for a state; the deadline only ends one that never comes.
// pauseMs 0 looks again at once, for a state the test must act on as it comes.
constexpr DWORD kDeadlineMs = 30000;
template <class Done>
bool WaitFor(const std::string& what, Done done, DWORD pauseMs = 5)
{
    for (const DWORD start = GetTickCount(); !done(); Sleep(pauseMs))
        if (GetTickCount() - start > kDeadlineMs) {
            ADD_FAILURE() << "waited " << kDeadlineMs / 1000 << " s in vain for " << what;
            return false;
        }
    return true;
}

// The test names its files in UTF-8 and reaches them through the wide
// functions, so that it sees every name as it is, in any code page.

// A name as the ANSI code page shows it, '?' for what it cannot spell.
std::string Shown(const std::string& utf8)
{
    char ansi[2 * MAX_PATH] = {};
    wchar_t back[2 * MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Wide(utf8).c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, 2 * MAX_PATH);
    return ToUtf8(back);
}

// A full path as it is, without the trailing dots and blanks Windows would drop.
fs::path Long(const std::string& path) { return (path.size() > 1 && path[1] == ':' ? L"\\\\?\\" : L"") + Wide(path); }

std::string ReadText(const std::string& path)
{
    std::ifstream in(Long(path), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<unreadable>";
}

void WriteText(const std::string& path, const std::string& content, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    std::error_code ignored;
    fs::create_directories(fs::u8path(path).parent_path(), ignored);
    std::ofstream(Long(path), std::ios::binary) << content;
    SetFileAttributesW(Long(path).c_str(), attributes);
}

// -1 for a file that is not there.
LONGLONG FileSize(const std::string& path)
{
    std::error_code missing;
    return static_cast<LONGLONG>(fs::file_size(Long(path), missing));
}

void RemoveTree(const std::string& path)
{
    std::error_code ignored;
    SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    for (fs::recursive_directory_iterator it(Long(path), ignored), end; it != end; it.increment(ignored))
        SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file would stay
    fs::remove_all(Long(path), ignored);
}

// Every file and folder below dir, by its path below dir.
Tree Snapshot(const std::string& dir)
{
    Tree tree;
    std::error_code error;
    const fs::path top = Long(dir + "\\");  // a drive's root too
    for (fs::recursive_directory_iterator it(top, error), end; !error && it != end; it.increment(error)) {
        const std::string below = "\\" + ToUtf8(it->path().native().substr(top.native().size()));
        const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
        const DWORD attributes = GetFileAttributesW(it->path().c_str()), bits = attributes & kept;
        const bool folder = bits & FILE_ATTRIBUTE_DIRECTORY;
        tree[below] = {bits, folder ? "" : ReadText(dir + below), folder ? 0 : fs::last_write_time(it->path(), error).time_since_epoch().count()};
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            it.disable_recursion_pending();  // a folder link: what it leads to is seen where it is
    }
    EXPECT_FALSE(error) << "cannot list " << dir << ": " << error.message();
    return tree;
}

// The registry keys the tests own: rows write them, and each row's end deletes
// them. On a real machine the run refuses to start while one exists.
const std::pair<HKEY, const wchar_t*> kOwnedKeys[] = {{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Adobe\\Photoshop\\5.0"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Adobe\\Photoshop\\7.0"}, {HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\tandrel.exe"}};
bool DeleteOwnedKeys()
{
    bool gone = true;
    for (const auto& [root, key] : kOwnedKeys) {
        const LSTATUS status = RegDeleteTreeW(root, key);
        gone = gone && (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND);
    }
    return gone;
}

bool RunsUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Under Wine, runs a Unix program on the Unix names of paths and waits for its
// end; true if it ended well. CreateProcess would start it too, but hands back
// stale stack for its handles, and resumes that as a thread.
bool RunUnix(Lines argv, const Lines& paths)
{
    using Spawn = LONG(WINAPI*)(char* const*, int);
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    const auto unix = reinterpret_cast<UnixName>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    for (const std::string& path : paths) {
        char* name = unix(Wide(path).c_str());
        if (!name)
            return false;
        argv.push_back(name);
        HeapFree(GetProcessHeap(), 0, name);
    }
    std::vector<char*> args;
    for (std::string& arg : argv)
        args.push_back(&arg[0]);
    args.push_back(nullptr);
    return spawn && spawn(args.data(), 1) == 0;
}

// A temporary copy of the program's own, which no run may leave behind.
bool IsLeftover(const std::string& name) { return std::regex_match(name, std::regex(R"(~tandrel\d+\.tmp)")); }

// Whether the window's centre lies within two pixels of around's.
bool Centred(HWND window, const RECT& around)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return std::abs(r.left + r.right - around.left - around.right) <= 4 && std::abs(r.top + r.bottom - around.top - around.bottom) <= 4;
}

struct Action {
    int control;  // 0: the dialog
    UINT msg;     // WM_KEYDOWN: the key wParam pressed
    WPARAM wParam;
    bool ok;  // asks for the install
};
const Action kOk{IDOK, BM_CLICK, 0, true}, kEnter{0, WM_KEYDOWN, VK_RETURN, true}, kCancel{IDCANCEL, BM_CLICK, 0, false},
    kClose{0, WM_SYSCOMMAND, SC_CLOSE, false},
    kOkCommand{0, WM_COMMAND, MAKEWPARAM(IDOK, 1), true}, kCancelCommand{0, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), false},  // as accelerators send them
    kAbout{0, WM_SYSCOMMAND, IDM_ABOUTBOX, false};

// A folder of the test's own, never one that was there (a killed run's, whose
// process number Wine may give again): the scene writes, and later removes,
// nothing anywhere else.
std::string OwnFolder()
{
    const std::string stem = ToUtf8(fs::temp_directory_path().wstring()) + "tandrel-" + std::to_string(GetCurrentProcessId()) + "-";
    static int s_scenes = 0;
    std::error_code error;
    while (!fs::create_directory(Long(stem + std::to_string(++s_scenes)), error) && !error) {
    }
    if (error) {
        std::printf("program_win_tests: cannot make a folder of its own in %s: %s\n", stem.c_str(), error.message().c_str());
        std::abort();
    }
    return stem + std::to_string(s_scenes);
}

// A medium with plug-ins and a folder, Photoshop 5.0 with its Filters folder,
// and the program; all removed when the test ends.
struct Scene : ::testing::Test {
    const std::string root = OwnFolder();
    const std::string ps = root + "\\PS", source = root + kSource;
    std::string vendor = ps + "\\Filters\\Morvask software", setup = root + "\\medium\\Setup";
    std::string exe = "tandrel.exe", title = "tandrel";  // the program file, and so the boxes' caption
    std::string drive = root;  // where Photoshop is, if not here
    Program program;
    HWND dlg = nullptr, edit = nullptr;
    WPARAM marker = 1000;
    Lines shown;         // the boxes' texts
    std::string report;  // the last copy report shown
    std::vector<std::unique_ptr<void, decltype(&CloseHandle)>> locks;  // files held open
    bool letGo = false;  // the last lock is let go while the program waits for it
    std::set<std::string> links;  // below root, as the tree shows them
    std::string driveLink;        // Wine's link for a drive of the scene's own

    Scene()
    {
        WriteText(ps + "\\Filters\\other maker.8bf", "not ours");
        SetPluginPath("5.0", REG_SZ, ps + "\\" + '\0');
        // Not every plug-in file is an .8bf; docs is no plug-in.
        for (auto [name, content] : {std::pair<const char*, std::string>{"a.8bf", "new a"}, {"b.8bf", {"new b\0\xff", 7}},
                 {"ReadMe.txt", "read me"}, {"LICENSE", "license"}, {"docs\\readme.txt", "not a plug-in"}})
            WriteText(source + "\\" + name, content);
        WriteText(setup + "\\" + exe, ReadText("tandrel.exe"));
    }
    ~Scene() override
    {
        program.Close();
        locks.clear();
        EXPECT_TRUE(driveLink.empty() || RunUnix({"/bin/rm", "-f"}, {driveLink}));
        // Wine removes what a link leads to, not the link.
        EXPECT_TRUE(links.empty() || !RunsUnderWine() || RunUnix({"/bin/rm", "-rf"}, {root}));
        RemoveTree(root);
        if (drive != root)
            RemoveTree(drive + "\\PS");
        EXPECT_TRUE(DeleteOwnedKeys());  // or the next row reads this one's
    }
    // Of the medium's plug-ins only these.
    void Keep(const Lines& kept)
    {
        for (const char* name : {"a.8bf", "b.8bf", "ReadMe.txt", "LICENSE"})
            if (std::find(kept.begin(), kept.end(), name) == kept.end())
                RemoveTree(source + "\\" + name);
    }
    void Hold(const std::string& path, DWORD share = 0)
    {
        HANDLE held = CreateFileW(Long(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << path;
        locks.emplace_back(held, CloseHandle);
    }
    // A link at link to target: symbolic, or with hard another name of the same
    // file. Wine's CreateSymbolicLinkW makes nothing, so there the Unix ln makes it.
    void Link(const std::string& target, const std::string& link, bool hard = false)
    {
        std::error_code ignored;
        fs::create_directories(fs::u8path(link).parent_path(), ignored);
        const DWORD folder = GetFileAttributesW(Wide(target).c_str()) & FILE_ATTRIBUTE_DIRECTORY ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
        if (hard)
            ASSERT_TRUE(CreateHardLinkW(Wide(link).c_str(), Wide(target).c_str(), nullptr)) << link;
        else if (RunsUnderWine())
            ASSERT_TRUE(RunUnix({"/bin/ln", "-s"}, {target, link})) << link;
        else
            ASSERT_TRUE(CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(), folder)) << link;
        links.insert(link.substr(root.size()));
    }
    // The medium as drive M:, the program at M:\Setup: a link in Wine's prefix,
    // where Wine takes its drives from. A Windows machine's drives are not the test's to add.
    void MediumAsADrive()
    {
        const char* prefix = getenv("WINEPREFIX");
        if (!RunsUnderWine() || !prefix)
            GTEST_SKIP() << "maps a drive only under Wine";
        driveLink = "Z:" + std::regex_replace(prefix, std::regex("/"), "\\") + "\\dosdevices\\m:";
        setup = "M:\\Setup";
        ASSERT_TRUE(RunUnix({"/bin/ln", "-sfn"}, {root + "\\medium", driveLink}));  // over what a killed run left
    }
    // data: UTF-8, stored as the system stores strings.
    void SetPluginPath(const std::string& version, DWORD type, const std::string& data)
    {
        const std::wstring key = Wide("SOFTWARE\\Adobe\\Photoshop\\" + version), wide = Wide(data);
        EXPECT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"PlugInPath", type, wide.data(), static_cast<DWORD>(wide.size() * sizeof(wchar_t))),
            ERROR_SUCCESS);
    }

    void Launch()
    {
        ASSERT_TRUE(program.Start(setup + "\\" + exe)) << "error " << GetLastError();
        ASSERT_NE(dlg = program.WaitDialog("Tandrel", kDeadlineMs), nullptr);
        edit = GetDlgItem(dlg, IDC_VERSION);
        RECT work = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_TRUE(Centred(dlg, work));
        // Moved as a user may, so that a box centred on the screen is told from one over the installer.
        SetWindowPos(dlg, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Sync();
    }
    // Returns once the program has taken everything posted to it before: a
    // marker posted after it, the field's length limit (harmless at these
    // lengths), reads back, or the dialog is gone.
    void Sync()
    {
        PostMessageW(edit, EM_SETLIMITTEXT, ++marker, 0);
        WaitFor("the program to take what was posted to it", [&] {
            DWORD_PTR limit = 0;
            return !IsWindow(edit) || (SendMessageTimeoutW(edit, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 100, &limit) && limit == marker);
        });
    }
    // Answers every box the program shows until it waits for the user again or
    // ends: a box comes up while the program handles what was posted, so after
    // Sync it is there. Recorded in shown: a message box by its text, a copy
    // report by its head, the About box by its caption.
    void Boxes()
    {
        Box box;
        for (Sync(); shown.size() < 20 && (box = program.WaitBox(dlg, 0)).hwnd; Sync()) {
            const bool about = box.caption == kAboutCaption, isReport = box.text.rfind(kReport, 0) == 0;
            ASSERT_EQ(GetWindow(box.hwnd, GW_OWNER), dlg);  // or the installer never waits behind it
            // A box that never comes up or goes away ends the row: the next would wait for it again.
            ASSERT_TRUE(WaitFor("\"" + box.text + box.caption + "\" on screen over the disabled installer",
                [&] { return IsWindowVisible(box.hwnd) && !IsWindowEnabled(dlg); }));
            EXPECT_TRUE(about || box.caption == title) << box.caption;
            RECT installer = {};
            EXPECT_TRUE(!about || (GetWindowRect(dlg, &installer) && Centred(box.hwnd, installer)));
            report = isReport ? box.text : report;
            shown.push_back(about ? box.caption : isReport ? kReport : box.text);
            PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitFor("the box to close", [&] { return !IsWindow(box.hwnd); }));
        }
    }
    // Typed over the selected text key by key, or all at once as a fast typist
    // does before the first warning is up: the rest reach the field while it is.
    void Type(const std::string& text, bool atOnce)
    {
        PostMessageW(edit, EM_SETSEL, 0, -1);
        for (size_t i = 0; i < text.size(); ++i) {
            PostMessageW(edit, WM_CHAR, static_cast<unsigned char>(text[i]), 1);
            if (!atOnce || i + 1 == text.size())
                Boxes();
        }
    }
    void Act(const Action& action)
    {
        HWND target = action.control ? GetDlgItem(dlg, action.control) : dlg;
        PostMessageW(target, action.msg, action.wParam, action.msg == WM_KEYDOWN);
        if (action.msg == WM_KEYDOWN)
            PostMessageW(target, WM_KEYUP, action.wParam, 0xC0000001);
    }
    bool Exited()
    {
        DWORD code = 1;
        return program.WaitExit(kDeadlineMs, code) && code == 0;
    }
    Tree Snapshot()
    {
        Tree tree = ::Snapshot(root);
        tree.merge(::Snapshot(drive));
        return tree;
    }
    // The tree after a run: if the copy ran, the vendor folder exists, holds every
    // plug-in but those refused (by the name the report shows), none of them
    // read-only, and no leftover of an earlier run.
    Tree Expected(Tree tree, bool installs, bool found, const Lines& refused) const
    {
        if (!installs)
            return tree;
        const std::string at = vendor.substr(drive.size());
        tree.emplace(at, Node{FILE_ATTRIBUTE_DIRECTORY, "", 0});
        for (const auto& [key, entry] : Tree(tree)) {
            std::string name = key.substr(key.find_last_of('\\') + 1);
            if (found && key == kSource + "\\" + name && !(entry.bits & FILE_ATTRIBUTE_DIRECTORY) &&
                std::find(refused.begin(), refused.end(), Shown(name)) == refused.end())
                tree[at + "\\" + name] = {entry.bits & ~FILE_ATTRIBUTE_READONLY, entry.content, entry.written};
            if (key == at + "\\" + name && IsLeftover(name) && !links.count(key))
                tree.erase(key);
        }
        return tree;
    }
};

void Nothing(Scene&) {}

struct Row {
    const char* name;
    void (*arrange)(Scene&) = Nothing;
    Lines boxes = {};
    Lines refused = {};  // the plug-ins the report must name, no more, no fewer
    Action action = kOk;
    const char* typed = nullptr;  // over the selected "5.0"
    bool atOnce = false;
};

// Blur.8bf and its fullwidth twin, which code page 1252 folds onto it.
void FullwidthTwins(Scene& s)
{
    WriteText(s.source + "\\Blur.8bf", "ascii");
    WriteText(s.source + u8"\\\uFF22lur.8bf", "fullwidth");
}
// Photoshop 7.0 where 5.0 was: only the typed version finds it.
void Photoshop7(Scene& s)
{
    s.SetPluginPath("7.0", REG_SZ, s.ps);
    s.SetPluginPath("5.0", REG_SZ, s.root + "\\no Photoshop");
}
// Where a user's link leads: a folder outside both, with a file an elevated
// program could change. Each row's tree shows it as it was.
const std::string kDecoy = "\\decoy";
void Decoy(Scene& s) { WriteText(s.root + kDecoy + "\\a.8bf", "not ours", FILE_ATTRIBUTE_READONLY); }

const Row kRows[] = {
    {"OkInstallsEveryPlainFile"},
    {"EnterAtOnceInstallsVersion5", Nothing, {}, {}, kEnter},
    {"OkCommandWithoutAClick", Nothing, {}, {}, kOkCommand},
    {"CancelButton", Nothing, {}, {}, kCancel},
    {"CloseBox", Nothing, {}, {}, kClose},
    {"CancelCommandWithoutAClick", Nothing, {}, {}, kCancelCommand},
    {"AboutBoxFromTheSystemMenu", Nothing, {kAboutCaption}, {}, kAbout},
    {"ExpandableString", [](Scene& s) { s.SetPluginPath("5.0", REG_EXPAND_SZ, s.ps + '\0'); }},
    {"BinaryValue", [](Scene& s) { s.SetPluginPath("5.0", REG_BINARY, s.ps + '\0'); }, {kNotFound}},
    {"PathOf259CharactersReadWhole", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, (s.ps + std::string(300, 'x')).substr(0, 259) + '\0'); }, {kNoFolder}},
    {"PathOf260CharactersNoTerminator", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, (s.ps + std::string(300, 'x')).substr(0, 260)); }, {kNotFound}},
    {"PathOf300Characters", [](Scene& s) { s.SetPluginPath("5.0", REG_SZ, s.ps + std::string(300, 'x') + '\0'); }, {kNotFound}},
    {"FiltersMissing", [](Scene& s) { RemoveTree(s.ps + "\\Filters"); }, {kNoFolder}},
    // As root, Wine writes anything: a read-only mount stands in for a Filters
    // folder the program may not write.
    {"FiltersNotWritableOnAReadOnlyDrive", [](Scene& s) {
         const char* drive = getenv("TANDREL_READONLY_DRIVE");
         if (!drive)
             GTEST_SKIP() << "needs a read-only drive: tests/win/with_small_drive.sh";
         s.SetPluginPath("5.0", REG_SZ, drive + std::string("\\PS"));  // nothing there to look at after
     }, {kNoFolder}},
    {"MediumAtTheRootOfADrive", [](Scene& s) { s.MediumAsADrive(); }},
    {"VendorFolderKeptPluginReplacedLeftoversRemoved", [](Scene& s) {
         for (const char* name : {"a.8bf", "notes.txt", "~tandrelx.tmp", "~tandrel.tmp", "~tandrel7.tmp.txt", "~tandrel8.tmp", "~tandrel.b.8bf.tmp",
                  "~tandrel5x.b.8bf.tmp", "~tandrel6.B~1.8BF.tmp"})
             WriteText(s.vendor + "\\" + name, "old");
         WriteText(s.vendor + "\\~tandrel7.tmp", "cut", FILE_ATTRIBUTE_READONLY);
     }},
    {"VendorPathIsAFile", [](Scene& s) { WriteText(s.vendor, "a file"); }, {kReport}, {"a.8bf", "b.8bf", "ReadMe.txt", "LICENSE"}},
    // Held targets are tried again for a while, all in one wait, then named (h1 to
    // h6 are held throughout). ro.8bf, as from a disc, is installed writable.
    {"TargetsRefusingReplacementAndSourceAttributesCarried", [](Scene& s) {
         for (auto [name, attributes] : {std::pair{"a", FILE_ATTRIBUTE_READONLY}, {"b", FILE_ATTRIBUTE_HIDDEN}, {"d", FILE_ATTRIBUTE_SYSTEM},
                  {"h1", 0}, {"h2", 0}, {"h3", 0}, {"h4", 0}, {"h5", 0}, {"h6", 0}}) {
             WriteText(s.vendor + "\\" + name + ".8bf", "old", attributes);
             WriteText(s.source + "\\" + name + ".8bf", "new");
             if (name[0] == 'h')
                 s.Hold(s.vendor + "\\" + name + ".8bf");
         }
         WriteText(s.source + "\\ro.8bf", "ro", FILE_ATTRIBUTE_READONLY);
         WriteText(s.source + "\\hidden.8bf", "hidden", FILE_ATTRIBUTE_HIDDEN);
     }, {kReport}, {"a.8bf", "b.8bf", "d.8bf", "h1.8bf", "h2.8bf", "h3.8bf", "h4.8bf", "h5.8bf", "h6.8bf"}},
    {"TargetThatIsAFolderOrALinkToOneIsNamedNotWaitedFor", [](Scene& s) {
         WriteText(s.vendor + "\\a.8bf\\inside", "kept");
         Decoy(s), s.Link(s.root + kDecoy, s.vendor + "\\b.8bf");
     }, {kReport}, {"a.8bf", "b.8bf"}},
    {"PluginHeldForAMomentIsInstalled", [](Scene& s) {
         s.Keep({"a.8bf"});
         WriteText(s.vendor + "\\a.8bf", "old");
         s.Hold(s.vendor + "\\a.8bf");
         s.letGo = true;
     }},
    {"NoPluginsOnTheMedium", [](Scene& s) { RemoveTree(s.source); }, {kNoPlugins}},
    {"OnlyFoldersOnTheMedium", [](Scene& s) { s.Keep({}); }, {kNoPlugins}},
    // A name that the code page bends into a path leading out of both folders,
    // to a file that is there and a folder it could be written to; a name it
    // bends onto another plug-in's, which never stands in for it.
    {"NameBentIntoAPathCp1252", [](Scene& s) {
         FullwidthTwins(s);
         const std::string sep = u8"\uFF3C";  // ..\..\x\escape.txt as 1252 bends it
         WriteText(s.source + "\\.." + sep + ".." + sep + "x" + sep + "escape.txt", "escaped");
         WriteText(s.root + "\\x\\escape.txt", "outside the medium's plug-ins");
         WriteText(s.ps + "\\x\\keep.txt", "outside the vendor folder");
     }, {kReport}, {"..?..?x?escape.txt", "?lur.8bf"}},
    // Bent, the path would name a folder that has a Filters folder.
    {"PluginPathTheCodePageBendsCp1252", [](Scene& s) {
         s.SetPluginPath("5.0", REG_SZ, s.ps + u8"\\x\uFF3C..\uFF3C.." + '\0');
         WriteText(s.root + "\\Filters\\other maker.8bf", "not ours");
     }, {kNotFound}},
    // Windows drops a trailing dot or blank, so these would read and replace zz.8bf; NUL is a device.
    {"NamesWindowsWouldChange", [](Scene& s) {
         for (const char* name : {"zz.8bf", "zz.8bf.", "zz.8bf ", "NUL.8bf"})
             WriteText(s.source + "\\" + name, name);
     }, {kReport}, {"zz.8bf.", "zz.8bf ", "NUL.8bf"}},
    {"FullwidthNameInstalledAsItselfCp932", FullwidthTwins},
    // The second byte of \u8868 is a backslash.
    {"PluginPathEndingInADoubleByteCharacterCp932", [](Scene& s) {
         s.SetPluginPath("5.0", REG_SZ, s.ps + u8"\\\u8868\\\\");
         s.vendor = s.ps + u8"\\\u8868\\Filters\\Morvask software";
         WriteText(s.ps + u8"\\\u8868\\Filters\\other maker.8bf", "not ours");
     }},
    {"ProgramNamedWithADoubleByteCharacterCp932", [](Scene& s) {
         ASSERT_TRUE(MoveFileW(Wide(s.setup + "\\" + s.exe).c_str(), Wide(s.setup + u8"\\\u8868.exe").c_str())) << GetLastError();
         s.exe = u8"\u8868.exe", s.title = u8"\u8868";
         RemoveTree(s.ps + "\\Filters");
     }, {kNoFolder}},
    // Far fewer characters, but one byte more than the code page's buffer holds.
    {"PluginPathOf260BytesCp932", [](Scene& s) {
         std::string path = s.ps + "\\";
         size_t bytes = static_cast<size_t>(WideCharToMultiByte(932, 0, Wide(path).c_str(), -1, nullptr, 0, nullptr, nullptr) - 1);
         for (; bytes + 2 <= 260; bytes += 2)
             path += u8"\u8868";
         s.SetPluginPath("5.0", REG_SZ, path + std::string(260 - bytes, 'x') + '\0');
     }, {kNotFound}},
    // Bent, the program's folder would be the one beside it, with a stranger's plug-ins.
    {"ProgramFolderTheCodePageBendsCp1252", [](Scene& s) {
         ASSERT_TRUE(MoveFileW(Wide(s.root + "\\medium").c_str(), Wide(s.root + u8"\\\uFF2Dedium").c_str())) << GetLastError();
         s.setup = s.root + u8"\\\uFF2Dedium\\Setup";
         WriteText(s.source + "\\stranger.8bf", "not ours");
     }, {kNoPlugins}},
    {"ProgramFolderEndingInADoubleByteCharacterCp932", [](Scene& s) {
         ASSERT_TRUE(MoveFileW(Wide(s.setup).c_str(), Wide(s.setup + u8"\u8868").c_str())) << GetLastError();
         s.setup += u8"\u8868";
     }},
    {"TypedVersionTooOldAndMissing", Nothing, {kInvalid, kTooOld, kTooOld, kNotFound}, {}, kOk, "4.0"},
    {"KeysTypedWhileAWarningIsOpenAreKept", Photoshop7, {kInvalid}, {}, kOk, "7.0", true},
    // Each copy needs room for the new version beside the old one; the one that
    // never has it stays whole and is named, whatever the order of the copies.
    {"FullDiskKeepsEachPluginWhole", [](Scene& s) {
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
     }, {kReport}, {"p2.8bf"}},
    {"VendorFolderIsALink", [](Scene& s) { Decoy(s), s.Link(s.root + kDecoy, s.vendor); }, {kReport}, {"a.8bf", "b.8bf", "ReadMe.txt", "LICENSE"}},
    {"FiltersIsALink", [](Scene& s) {
         Decoy(s);
         RemoveTree(s.ps + "\\Filters");
         s.Link(s.root + kDecoy, s.ps + "\\Filters");
     }, {kNoFolder}},
    // Links to files: a plug-in that is one is named, a target replaced as a
    // name, a leftover-shaped one left alone; each to a decoy file of its own.
    {"LinksToFiles", [](Scene& s) {
         Decoy(s);
         WriteText(s.root + kDecoy + "\\b.8bf", "not ours either", FILE_ATTRIBUTE_READONLY);
         WriteText(s.root + kDecoy + "\\c.8bf", "nor this", FILE_ATTRIBUTE_READONLY);
         s.Link(s.root + kDecoy + "\\a.8bf", s.source + "\\link.8bf");
         s.Link(s.root + kDecoy + "\\b.8bf", s.source + "\\hard.8bf", true);
         s.Link(s.root + kDecoy + "\\a.8bf", s.vendor + "\\a.8bf");
         s.Link(s.root + kDecoy + "\\a.8bf", s.vendor + "\\~tandrel1.tmp");
         s.Link(s.root + kDecoy + "\\c.8bf", s.vendor + "\\~tandrel2.tmp", true);
     }, {kReport}, {"link.8bf", "hard.8bf"}},
    {"PluginsFolderIsALink", [](Scene& s) {
         ASSERT_TRUE(MoveFileW(Wide(s.source).c_str(), Wide(s.root + kDecoy).c_str())) << GetLastError();
         s.Link(s.root + kDecoy, s.source);
     }, {kNoPlugins}},
    // Each planted DLL leaves a marker beside it when loaded. Wine prefers its own
    // copies, so it is made to search the program's folder first, as Windows does;
    // not for version.dll, which Wine's user32 loads before the program runs.
    {"PlantedDllsAreNeverLoaded", [](Scene& s) {
         for (const char* dll : {"uxtheme", "dwmapi", "comctl32"})
             EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\tandrel.exe\\DllOverrides", dll, REG_SZ, "native,builtin", 15), ERROR_SUCCESS);
         for (std::string dll : {"uxtheme.dll", "dwmapi.dll", "version.dll", "comctl32.dll"})
             WriteText(s.setup + "\\" + dll, ReadText("planted\\planted.dll"));
     }},
};

struct Rows : Scene, ::testing::WithParamInterface<Row> {};

TEST_P(Rows, Run)
{
    const Row& row = GetParam();
    // The code page a row needs ends its name (...Cp932). Under Wine the test's
    // locale sets it, so a mismatch is a fault of the run; on Windows it is the machine's.
    std::cmatch cp;
    const UINT codePage = std::regex_search(row.name, cp, std::regex(R"(Cp(\d+)$)")) ? std::stoul(cp[1]) : 0;
    if (codePage && codePage != GetACP()) {
        ASSERT_FALSE(RunsUnderWine()) << "needs code page " << codePage << ", runs in " << GetACP();
        GTEST_SKIP() << "needs code page " << codePage << ", this machine's is " << GetACP();
    }
    row.arrange(*this);
    if (IsSkipped() || HasFatalFailure())
        return;
    const Tree before = Snapshot();
    ASSERT_NO_FATAL_FAILURE(Launch());
    const std::string field = row.typed ? row.typed : "5.0";
    Type(row.typed ? row.typed : "", row.atOnce);
    EXPECT_EQ(WindowText(edit), field);
    Act(row.action);
    const DWORD acted = GetTickCount();
    // The holder's moment: once the copy beside the target shows the program
    // at its first try, let go well after it and well within its patience.
    if (letGo && WaitFor("the copy beside the held plug-in", [&] { return FileSize(vendor + "\\~tandrel1.tmp") >= 0; })) {
        Sleep(500);
        locks.clear();
    }
    Boxes();
    ASSERT_EQ(shown, row.boxes);  // or the rest would wait for an end that is not coming
    // The report: its head, a name a line in the order copied, and after an
    // empty line the hint, where the scene holds plug-ins to the end.
    const size_t hint = std::min(report.find("\n\n"), report.size());
    EXPECT_EQ(report.substr(hint), locks.empty() ? "" : std::string("\n\n") + kHeldHint);
    std::multiset<std::string> named;
    for (size_t at = report.find('\n'); at < hint; at = report.find('\n', at + 1))
        named.insert(report.substr(at + 1, std::min(report.find('\n', at + 1), hint) - at - 1));
    EXPECT_EQ(named, std::multiset<std::string>(row.refused.begin(), row.refused.end()));
    const auto stops = [](const std::string& box) { return box == kNotFound || box == kNoFolder; };
    if (!row.boxes.empty() && (stops(row.boxes.back()) || row.boxes.back() == kAboutCaption)) {
        EXPECT_TRUE(WindowText(edit) == field && IsWindowEnabled(dlg));  // the dialog stays as it was
        Act(kCancel);
    }
    EXPECT_TRUE(Exited());
    // However many are held, one wait for them all: this is the time it takes.
    EXPECT_TRUE(locks.empty() || GetTickCount() - acted < 6000) << "held plug-ins waited for one by one";
    const bool installs = row.action.ok && std::none_of(row.boxes.begin(), row.boxes.end(), stops);
    const Tree after = Snapshot(), expected = Expected(before, installs, row.boxes != Lines{kNoPlugins}, row.refused);
    EXPECT_EQ(after, expected);
}

INSTANTIATE_TEST_SUITE_P(Program, Rows, ::testing::ValuesIn(kRows), [](const auto& info) { return std::string(info.param.name); });

// Installs a big plug-in over an old one and stops the program once its copy
// passes a megabyte (the small ones never get there). The program stands from
// before OK is pressed and runs a step at a time, each until the copy's file
// changes: it never runs unseen for longer than a look takes.
void StopInTheBigCopy(Scene& s, const std::string& big)
{
    WriteText(s.source + "\\big.8bf", big);
    WriteText(s.vendor + "\\big.8bf", "old big");
    ASSERT_NO_FATAL_FAILURE(s.Launch());
    const HANDLE thread = s.program.Thread();
    CONTEXT stopped = {};
    stopped.ContextFlags = CONTEXT_CONTROL;
    const auto stand = [&] { return SuspendThread(thread) != static_cast<DWORD>(-1) && GetThreadContext(thread, &stopped); };  // returns once it stands
    ASSERT_TRUE(stand());
    s.Act(kOk);
    const std::string copy = s.vendor + "\\~tandrel1.tmp";
    LONGLONG seen = FileSize(copy);
    for (; seen <= 1 << 20; seen = FileSize(copy)) {
        ResumeThread(thread);
        const bool changed = WaitFor("the copy to change", [&] { return FileSize(copy) != seen; }, 0);
        ASSERT_TRUE(stand());
        ASSERT_TRUE(changed);
    }
    ASSERT_LT(seen, static_cast<LONGLONG>(big.size())) << "stopped once the copy was written";
}

// The vendor folder's parent swapped for a link to a decoy while the program
// stands in a copy, its target still whole beside it: it goes on in the folder
// it checked, and only there.
TEST_F(Scene, FolderSwitchedDuringACopy)
{
    const std::string big(128 << 20, 'n'), filters = ps + "\\Filters", away = filters + ".away";
    Decoy(*this);
    fs::create_directory(Long(root + kDecoy + "\\Morvask software"));
    const Tree decoy = ::Snapshot(root + kDecoy);
    ASSERT_NO_FATAL_FAILURE(StopInTheBigCopy(*this, big));
    EXPECT_TRUE(ReadText(vendor + "\\big.8bf") == "old big");  // not EXPECT_EQ: it would print 128 MiB
    // Nor may the vendor folder itself move; Windows refuses its parent too.
    EXPECT_FALSE(MoveFileW(Wide(vendor).c_str(), Wide(vendor + ".away").c_str()));
    const bool moved = MoveFileW(Wide(filters).c_str(), Wide(away).c_str());
    ASSERT_TRUE(moved || !RunsUnderWine());
    if (moved)
        Link(root + kDecoy, filters);
    ResumeThread(program.Thread());
    Boxes();
    EXPECT_TRUE(Exited());
    EXPECT_EQ(::Snapshot(root + kDecoy), decoy);
    // Wine names a moved folder's files by their old paths, so there the rest
    // fail and are named, each as it was; nothing is cut either way.
    const std::string installed = (moved ? away : filters) + "\\Morvask software";
    for (const std::string name : {"a.8bf", "b.8bf", "ReadMe.txt", "LICENSE", "big.8bf"}) {
        const bool named = moved && report.find("\n" + name) != std::string::npos;
        const std::string want = !named ? ReadText(source + "\\" + name) : name == "big.8bf" ? "old big" : "<unreadable>";
        EXPECT_TRUE(ReadText(installed + "\\" + name) == want) << name << (named ? ", named" : "");
    }
    if (!moved) {  // as on Windows: every plug-in installed where the folder stands, no copy left beside them
        EXPECT_TRUE(shown.empty()) << report;
        EXPECT_EQ(::Snapshot(installed).size(), 5u);
    }
}

// A plug-in that another program (this one, as the image editor would) has
// loaded is replaced at once, no wait, no report; the old one it still maps
// is removed by the first run after it lets go.
TEST_F(Scene, LoadedPluginReplacedAndRemovedOnceLetGo)
{
    WriteText(vendor + "\\a.8bf", ReadText("planted\\planted.dll"));
    Decoy(*this), Link(root + kDecoy + "\\a.8bf", vendor + "\\~tandrel1.a.8bf.tmp", true);  // not a name to move the old one to
    std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> loaded(
        LoadLibraryExW(Long(vendor + "\\a.8bf").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES), FreeLibrary);
    ASSERT_TRUE(loaded);
    for (int run = 0; run < 2; ++run, loaded.reset()) {
        ASSERT_NO_FATAL_FAILURE(Launch());
        Act(kOk);
        const DWORD acted = GetTickCount();
        // Timed to the new one's arrival (by its size: a reader would hold it), not to the exit a loaded machine delays.
        EXPECT_TRUE(WaitFor("the new a.8bf", [&] { return FileSize(vendor + "\\a.8bf") == 5; }));
        EXPECT_LT(GetTickCount() - acted, 2000u) << "waited as for a held plug-in";
        Boxes();
        EXPECT_EQ(shown, Lines{}) << report;
        EXPECT_TRUE(Exited() && ReadText(vendor + "\\a.8bf") == "new a");
        EXPECT_TRUE(run || FileSize(vendor + "\\~tandrel1.tmp") > 0) << "kept the name a later run would put back";
    }
    EXPECT_EQ(::Snapshot(vendor).size(), 5u);  // a, b, ReadMe.txt, LICENSE and the link
}

// A target whose replacing is refused, open but not loaded, stays and is named
// as held; a plug-in a run left aside goes back where its name is free, is
// deleted where a plug-in has it again, and else is kept.
TEST_F(Scene, UnloadedTargetStaysAndAsideGoesBack)
{
    Keep({"a.8bf"});
    WriteText(vendor + "\\a.8bf", "old a");
    WriteText(vendor + "\\b.8bf", "old b");
    WriteText(vendor + "\\~tandrel3.b.8bf.tmp", "older b");
    WriteText(vendor + "\\~tandrel4.c.8bf.tmp", "old c");
    WriteText(vendor + "\\~tandrel5.d.8bf.tmp", "old d");
    WriteText(vendor + "\\~tandrel6.e.8bf.tmp", "old e");
    Decoy(*this);
    Link(root + kDecoy + "\\a.8bf", vendor + "\\e.8bf");
    WriteText(vendor + "\\d.8bf\\inside", "a folder");
    Hold(vendor + "\\a.8bf", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NO_FATAL_FAILURE(Launch());
    Act(kOk);
    Boxes();
    EXPECT_EQ(report, "The following plugins could not be installed:\na.8bf\n\n"
                      "Some of them are in use: close Photoshop, or whatever holds them, and run the installer again.");
    EXPECT_TRUE(Exited());
    EXPECT_EQ(::Snapshot(vendor).size(), 8u);  // a, b, c, the folder d.8bf and what it holds, the link e.8bf, d's and e's asides
    EXPECT_EQ(ReadText(vendor + "\\~tandrel5.d.8bf.tmp") + ReadText(vendor + "\\~tandrel6.e.8bf.tmp"), "old dold e");
    EXPECT_EQ(ReadText(vendor + "\\a.8bf"), "old a");
    EXPECT_EQ(ReadText(vendor + "\\b.8bf"), "old b");
    EXPECT_EQ(ReadText(vendor + "\\c.8bf"), "old c");
}

}  // namespace

// Outside Wine these tests write Photoshop's registry keys and files on the
// machine they run on: only where it says it may be thrown away, and only
// while the keys they own are not there.
int main(int argc, char** argv)
{
    const char* disposable = getenv("TANDREL_DISPOSABLE_MACHINE");
    if (!RunsUnderWine() && !(disposable && std::string(disposable) == "1")) {
        std::printf("program_win_tests: not run. Outside Wine they change HKLM\\SOFTWARE\\Adobe and write files on this "
                    "machine; set TANDREL_DISPOSABLE_MACHINE=1 only on a machine that may be thrown away.\n");
        return 1;
    }
    for (const auto& [root, key] : kOwnedKeys) {
        HKEY open;
        if (!RunsUnderWine() && RegOpenKeyExW(root, key, 0, KEY_READ, &open) == ERROR_SUCCESS) {
            RegCloseKey(open);
            std::printf("program_win_tests: not run. They own %ls and delete it, but it is there already.\n", key);
            return 1;
        }
    }
    DeleteOwnedKeys();  // under Wine: what a killed run left in its throwaway prefix
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
