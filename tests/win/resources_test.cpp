// The built program's resources, read back from tandrel.exe.
#include <gtest/gtest.h>

#include "../../res/resource.h"
#include "../../tools/ui_driver.h"

namespace {

const WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
const WORD kDialog = 5, kString = 6, kGroupIcon = 14, kManifest = 24;

struct Item {
    DWORD style, exStyle;
    short x, y, cx, cy;
    int id;
    std::string cls, text;
};
struct Template {
    DWORD style = 0, exStyle = 0;
    short cx = 0, cy = 0;
    std::string caption, font;
    WORD points = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::vector<Item> items;
};

class Reader {
public:
    explicit Reader(const BYTE* p) : m_p(p), m_start(p) {}
    template <class T> T Get()
    {
        T v;
        memcpy(&v, m_p, sizeof v);
        m_p += sizeof v;
        return v;
    }
    // A name or "#ordinal"; predefined control classes by their names.
    std::string SzOrOrd(bool controlClass = false)
    {
        WORD first = Get<WORD>();
        if (first != 0xFFFF) {
            m_p -= 2;
            return Sz();
        }
        WORD ord = Get<WORD>();
        if (controlClass && ord >= 0x80 && ord <= 0x82)
            return ord == 0x80 ? "Button" : ord == 0x81 ? "Edit" : "Static";
        return "#" + std::to_string(ord);
    }
    std::string Sz()
    {
        std::wstring s;
        for (WCHAR c; (c = Get<WCHAR>()) != 0;)
            s += c;
        return ToUtf8(s);
    }
    void AlignDword() { m_p = m_start + ((m_p - m_start + 3) & ~3); }

private:
    const BYTE* m_p;
    const BYTE* m_start;
};

Template Parse(const BYTE* data)
{
    Reader r(data);
    Template t;
    bool extended = r.Get<WORD>() == 1 && r.Get<WORD>() == 0xFFFF;
    if (extended) {
        r.Get<DWORD>();  // help id
        t.exStyle = r.Get<DWORD>();
        t.style = r.Get<DWORD>();
    } else {
        r = Reader(data);
        t.style = r.Get<DWORD>();
        t.exStyle = r.Get<DWORD>();
    }
    WORD count = r.Get<WORD>();
    r.Get<short>();
    r.Get<short>();
    t.cx = r.Get<short>();
    t.cy = r.Get<short>();
    r.SzOrOrd();  // menu
    r.SzOrOrd();  // class
    t.caption = r.Sz();
    if (t.style & DS_SETFONT) {
        t.points = r.Get<WORD>();
        if (extended) {
            t.weight = r.Get<WORD>();
            t.italic = r.Get<BYTE>();
            t.charset = r.Get<BYTE>();
        }
        t.font = r.Sz();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        Item item{};
        if (extended) {
            r.Get<DWORD>();
            item.exStyle = r.Get<DWORD>();
            item.style = r.Get<DWORD>();
        } else {
            item.style = r.Get<DWORD>();
            item.exStyle = r.Get<DWORD>();
        }
        item.x = r.Get<short>();
        item.y = r.Get<short>();
        item.cx = r.Get<short>();
        item.cy = r.Get<short>();
        item.id = extended ? static_cast<int>(r.Get<DWORD>()) : static_cast<short>(r.Get<WORD>());
        item.cls = r.SzOrOrd(true);
        item.text = r.SzOrOrd();
        r.Get<WORD>();  // no creation data here
        t.items.push_back(item);
    }
    return t;
}

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        m_path = path;
        m_path = m_path.substr(0, m_path.find_last_of('\\') + 1) + "tandrel.exe";
        m_module = LoadLibraryExA(m_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override { FreeLibrary(m_module); }

    const BYTE* Find(WORD type, WORD id, DWORD* size = nullptr)
    {
        HRSRC res = FindResourceExW(m_module, MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(id), kChinese);
        if (!res)
            return nullptr;
        if (size)
            *size = SizeofResource(m_module, res);
        return static_cast<const BYTE*>(LockResource(LoadResource(m_module, res)));
    }

    std::string m_path;
    HMODULE m_module = nullptr;
};

void ExpectItems(const Template& t, const std::vector<Item>& expected)
{
    ASSERT_EQ(t.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Item &a = t.items[i], &e = expected[i];
        SCOPED_TRACE(e.text);
        EXPECT_EQ(a.id, e.id);
        EXPECT_EQ(_stricmp(a.cls.c_str(), e.cls.c_str()), 0) << a.cls;
        EXPECT_EQ(a.text, e.text);
        EXPECT_EQ(a.style, e.style | WS_CHILD | WS_VISIBLE);
        EXPECT_EQ(a.exStyle, 0u);
        EXPECT_EQ((std::vector<short>{a.x, a.y, a.cx, a.cy}), (std::vector<short>{e.x, e.y, e.cx, e.cy}));
    }
}

void ExpectFrame(const Template& t, const char* caption, short cx, short cy, DWORD style, const char* font)
{
    EXPECT_EQ(t.caption, caption);
    EXPECT_EQ(t.cx, cx);
    EXPECT_EQ(t.cy, cy);
    EXPECT_EQ(t.style, style | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    EXPECT_EQ(t.font, font);
    EXPECT_EQ(t.points, 9);
}

TEST_F(ResourcesTest, InstallerDialogTemplate)
{
    const BYTE* data = Find(kDialog, IDD_INSTALLER_DIALOG);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(reinterpret_cast<const WORD*>(data)[1], 0xFFFF);  // extended template
    Template t = Parse(data);
    ExpectFrame(t, "Tandrel", 235, 115, WS_VISIBLE, "MS Sans Serif");
    EXPECT_EQ(t.exStyle, DWORD(WS_EX_APPWINDOW));
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 1);
    ExpectItems(t, {
                       {WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 150, 78, 50, 14, IDOK, "Button", "&OK"},
                       {WS_TABSTOP, 0, 43, 77, 50, 14, IDCANCEL, "Button", "&Cancel"},
                       {WS_GROUP, 0, 17, 25, 74, 8, -1, "Static", "Photoshop Version"},
                       {WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 107, 22, 40, 14, IDC_VERSION, "Edit", ""},
                   });
}

TEST_F(ResourcesTest, AboutBoxTemplate)
{
    const BYTE* data = Find(kDialog, IDD_ABOUTBOX);
    ASSERT_NE(data, nullptr);
    ASSERT_NE(reinterpret_cast<const WORD*>(data)[1], 0xFFFF);  // classic template
    Template t = Parse(data);
    ExpectFrame(t, "About Tandrel", 235, 67, 0, "\xE5\xAE\x8B\xE4\xBD\x93");  // SimSun
    ASSERT_EQ(t.items.size(), 5u);
    EXPECT_EQ(t.items[0].text, "#128");  // the icon, by its resource id
    t.items[0].text = "";
    t.items[2].text = "";
    t.items[4].text = t.items[4].text.substr(0, 21);
    ExpectItems(t, {
                       {SS_ICON, 0, 11, 17, 21, 21, -1, "Static", ""},
                       {SS_NOPREFIX | WS_GROUP, 0, 40, 10, 119, 8, -1, "Static", "tandrel V 1.0 "},
                       {WS_GROUP, 0, 40, 25, 119, 8, -1, "Static", ""},
                       {BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0, 178, 7, 50, 14, IDOK, "Button", "OK"},
                       {WS_GROUP, 0, 40, 43, 175, 8, -1, "Static", "Morvask software     "},
                   });
}

TEST_F(ResourcesTest, StringIconVersionAndManifest)
{
    const wchar_t* text = nullptr;
    int length = LoadStringW(m_module, IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
    EXPECT_EQ(ToUtf8(std::wstring(text, static_cast<size_t>(length))), "\xE5\x85\xB3\xE4\xBA\x8E tandrel(&A)...");
    EXPECT_NE(Find(kString, IDS_ABOUTBOX / 16 + 1), nullptr);

    DWORD size = 0;
    const BYTE* group = Find(kGroupIcon, IDR_MAINFRAME, &size);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(reinterpret_cast<const WORD*>(group)[2], 2);  // two images
    for (int i = 0; i < 2; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        EXPECT_EQ(entry[0], i == 0 ? 32 : 16);
        EXPECT_EQ(reinterpret_cast<const WORD*>(entry + 6)[0], 4);  // bits per pixel
    }

    const BYTE* manifest = Find(kManifest, 1, &size);
    ASSERT_NE(manifest, nullptr);
    std::string xml(reinterpret_cast<const char*>(manifest), size);
    for (const char* part : {"requireAdministrator", "Microsoft.Windows.Common-Controls", "PerMonitorV2",
                             "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a", "e2011457-1546-43c5-a5fe-008deee3d3f0"})
        EXPECT_NE(xml.find(part), std::string::npos) << part;
}

TEST_F(ResourcesTest, VersionBlock)
{
    std::wstring path(m_path.begin(), m_path.end());
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, DWORD(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 0x04B0);

    struct Entry {
        const wchar_t* name;
        const char* value;  // UTF-8; null = any non-empty text
    } entries[] = {
        {L"CompanyName", ""},
        {L"FileDescription", "tandrel Microsoft \xE5\x9F\xBA\xE7\xA1\x80\xE7\xB1\xBB\xE5\xBA\x94\xE7\x94\xA8\xE7\xA8\x8B\xE5\xBA\x8F"},
        {L"FileVersion", "1, 0, 0, 1"},
        {L"InternalName", "tandrel"},
        {L"LegalCopyright", nullptr},
        {L"LegalTrademarks", ""},
        {L"OriginalFilename", "tandrel.EXE"},
        {L"ProductName", "tandrel \xE5\xBA\x94\xE7\x94\xA8\xE7\xA8\x8B\xE5\xBA\x8F"},
        {L"ProductVersion", "1, 0, 0, 1"},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(ToUtf8(e.name));
        wchar_t* value = nullptr;
        std::wstring key = std::wstring(L"\\StringFileInfo\\080404B0\\") + e.name;
        ASSERT_TRUE(VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &len));
        std::string text = value ? ToUtf8(value) : "";
        if (e.value)
            EXPECT_EQ(text, e.value);
        else
            EXPECT_FALSE(text.empty());
    }
}

}  // namespace
