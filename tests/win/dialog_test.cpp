// What another process cannot see of the installer dialog, in this process on
// the program's resources: its icons, the system menu entry, the data exchange.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "ui/installer_dialog.h"

namespace {

// Counts the field's changes instead of checking them; WM_APP writes the version to the field.
struct Probe : InstallerDialog {
    int m_changes = 0;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override
    {
        if (msg == WM_COMMAND && wParam == MAKEWPARAM(IDC_VERSION, EN_CHANGE))
            return ++m_changes > 0;
        if (msg == WM_APP)
            return UpdateData(FALSE);
        return InstallerDialog::OnMessage(msg, wParam, lParam, result);
    }
};
Probe* g_probe;

void CALLBACK Check(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND dlg = FindWindowA("#32770", "Tandrel"), edit = GetDlgItem(dlg, IDC_VERSION);
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

    // The version was written into the field at the start, which is no change;
    // writing the text the field already shows leaves it, and its caret, alone.
    EXPECT_EQ(GetWindowTextLengthW(edit), 3);
    EXPECT_EQ(g_probe->m_changes, 0);
    SendMessageW(edit, EM_SETSEL, 1, 1);
    SendMessageW(dlg, WM_APP, 0, 0);
    DWORD caret = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    EXPECT_EQ(caret, 1u);
    SendMessageW(edit, WM_CHAR, '5', 1);
    EXPECT_EQ(g_probe->m_changes, 1);
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
}

TEST(InstallerDialog, IconsAboutEntryAndDataExchange)
{
    Probe probe;
    probe.m_strVersion = "4.0";
    g_probe = &probe;
    SetTimer(nullptr, 0, 1, Check);  // runs once the modal loop does
    probe.DoModal();
}

}  // namespace
