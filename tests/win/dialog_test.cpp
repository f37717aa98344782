// What another process cannot see of the installer dialog, in this process on
// the program's resources: its icons and the system menu entry; and the icon of
// the program's message boxes.
#include <gtest/gtest.h>

#include "dlg/app.h"
#include "res/resource.h"
#include "ui/installer_dialog.h"

namespace {

bool s_checked = false;  // set by the checks, which run only while the window they look at is up

void CALLBACK Check(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND dlg = GetActiveWindow();  // found by no caption, so that a wrong one fails rather than hangs
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
    s_checked = true;
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
}

TEST(InstallerDialog, IconsAndAboutEntry)
{
    InstallerDialog dialog;
    s_checked = false;
    SetTimer(nullptr, 0, 1, Check);  // runs once the modal loop does
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(s_checked);
}

void CALLBACK CheckBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND box = GetActiveWindow(), icon = FindWindowExW(box, nullptr, L"Static", nullptr);
    while (icon && (GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        icon = FindWindowExW(box, icon, L"Static", nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0)), LoadIconA(nullptr, IDI_EXCLAMATION));
    s_checked = true;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(AfxMessageBox, ExclamationIcon)
{
    s_checked = false;
    SetTimer(nullptr, 0, 1, CheckBox);
    AfxMessageBox("a warning");
    EXPECT_TRUE(s_checked);
}

}  // namespace
