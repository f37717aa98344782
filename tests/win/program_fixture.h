// A test medium with tandrel.exe, a scratch Photoshop registration, and the
// running program driven as a person would.
#pragma once

#include <gtest/gtest.h>

#include "../../res/resource.h"
#include "../../tools/ui_driver.h"
#include "win_fixtures.h"


using Lines = std::vector<std::string>;

inline std::string Sibling(const std::string& name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1) + name;
}

// Wine's per-program DLL load order, for the life of the object.
class NativeFirst {
public:
    NativeFirst(const std::string& program, const Lines& dlls)
        : m_key("Software\\Wine\\AppDefaults\\" + program + "\\DllOverrides")
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr))
            return;
        for (const std::string& dll : dlls)
            RegSetValueExA(key, dll.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
        RegCloseKey(key);
    }
    ~NativeFirst() { RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str()); }

private:
    std::string m_key;
};

class ProgramTest : public ::testing::Test {
protected:
    ScratchRegistry reg{"SOFTWARE\\Adobe"};
    TempFolder temp;
    std::string ps = temp.path() + "\\Photoshop\\Plug-Ins";
    std::string vendor = ps + "\\Filters\\Morvask software";
    std::string medium = temp.path() + "\\medium";
    Program program;
    HWND dlg = nullptr;
    HWND edit = nullptr;

    void Photoshop(const std::string& version = "5.0")
    {
        MakeDirs(ps + "\\Filters");
        reg.SetValue("SOFTWARE\\Adobe\\Photoshop\\" + version, "PlugInPath", REG_SZ, ps + "\\" + '\0');
    }
    void Plugins(const Lines& names)
    {
        MakeDirs(medium + "\\photoshopplugins");
        for (const std::string& name : names)
            WriteWholeFile(medium + "\\photoshopplugins\\" + name, "content of " + name);
    }
    // Once per medium: a program that has just ended may still hold its file.
    void PutProgramOnMedium()
    {
        std::string target = medium + "\\Setup\\tandrel.exe";
        if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)
            return;
        MakeDirs(medium + "\\Setup");
        ASSERT_TRUE(CopyFileA(Sibling("tandrel.exe").c_str(), target.c_str(), TRUE));
    }
    void Launch()
    {
        PutProgramOnMedium();
        ASSERT_TRUE(program.Start(medium + "\\Setup\\tandrel.exe"));
        dlg = program.WaitDialog("Tandrel");
        ASSERT_NE(dlg, nullptr);
        edit = GetDlgItem(dlg, IDC_VERSION);
        program.Idle();
    }
    // Reads and dismisses every message box now open; their texts.
    Lines Boxes()
    {
        Lines texts;
        program.Idle();
        for (Box box; texts.size() < 50 && (box = program.WaitBox(dlg, 0)).hwnd;) {
            EXPECT_EQ(box.caption, "tandrel");
            texts.push_back(box.text);
            CloseBox(box);
            program.Idle();
        }
        return texts;
    }
    Lines Type(const std::string& text)
    {
        Lines texts;
        for (char c : text) {
            program.Type(edit, c);
            for (const std::string& t : Boxes())
                texts.push_back(t);
        }
        return texts;
    }
    void SelectAll() { program.Post(edit, EM_SETSEL, 0, -1); }
    void ClickOK() { program.Post(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0); }
    void ExpectExit()
    {
        DWORD code = 1;
        ASSERT_TRUE(program.WaitExit(10000, code));
        EXPECT_EQ(code, 0u);
    }
    std::string InstalledContent(const std::string& name)
    {
        std::string content;
        return ReadWholeFile(vendor + "\\" + name, content) ? content : "<missing>";
    }
};

