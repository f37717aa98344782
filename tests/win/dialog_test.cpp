// What another process cannot see of the dialogs, in this process on the
// program's resources: the icons, the system menu entry, the data exchange rules.
#include <gtest/gtest.h>

#include <functional>

#include "res/resource.h"
#include "ui/installer_dialog.h"

namespace {

std::function<void(HWND)> g_script;

void CALLBACK Abandon(HWND, UINT, UINT_PTR, DWORD)
{
    ADD_FAILURE() << "the dialog did not close";
    EndDialog(FindWindowA("#32770", "Tandrel"), -1);
}

void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    g_script(FindWindowA("#32770", "Tandrel"));
}

// Shows the dialog; the script runs once its modal loop does, and must close it.
void RunModal(Dialog& dialog, std::function<void(HWND)> script)
{
    g_script = std::move(script);
    SetTimer(nullptr, 0, 1, RunScript);
    UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, Abandon);
    dialog.DoModal();
    KillTimer(nullptr, watchdog);
}

TEST(InstallerDialog, IconsAndTheAboutEntry)
{
    InstallerDialog installer;
    RunModal(installer, [](HWND dlg) {
        HICON icon = LoadIconA(GetModuleHandleW(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dlg, WM_QUERYDRAGICON, 0, 0)), icon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dlg, WM_GETICON, ICON_BIG, 0)), icon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dlg, WM_GETICON, ICON_SMALL, 0)), icon);
        HMENU menu = GetSystemMenu(dlg, FALSE);
        int last = GetMenuItemCount(menu) - 1;
        wchar_t text[64] = {};
        GetMenuStringW(menu, last, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, L"\x5173\x4e8e tandrel(&A)...");
        EXPECT_EQ(GetMenuItemID(menu, last), static_cast<UINT>(IDM_ABOUTBOX));
        EXPECT_TRUE(GetMenuState(menu, last - 1, MF_BYPOSITION) & MF_SEPARATOR);
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    });
}

// Counts the field's changes that reach the dialog; WM_APP writes the text to the field.
struct Probe : Dialog {
    Probe() : Dialog(IDD_INSTALLER_DIALOG) {}
    std::string m_text = "4.0";
    int m_changes = 0;
    void DoDataExchange(DataExchange& dx) override { DDX_Text(dx, IDC_VERSION, m_text); }
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM, INT_PTR&) override
    {
        m_changes += msg == WM_COMMAND && wParam == MAKEWPARAM(IDC_VERSION, EN_CHANGE);
        return msg == WM_APP && UpdateData(FALSE);
    }
};

TEST(DataExchange, TransfersAreNoChangesAndAFieldShowingTheTextIsLeftAlone)
{
    Probe probe;
    RunModal(probe, [&](HWND dlg) {
        HWND edit = GetDlgItem(dlg, IDC_VERSION);
        EXPECT_EQ(GetWindowTextLengthW(edit), 3);
        EXPECT_EQ(probe.m_changes, 0);
        SendMessageW(edit, EM_SETSEL, 1, 1);
        SendMessageW(dlg, WM_APP, 0, 0);
        DWORD caret = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
        EXPECT_EQ(caret, 1u);
        SendMessageW(edit, WM_CHAR, '5', 1);
        EXPECT_EQ(probe.m_changes, 1);
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    });
}

}  // namespace
