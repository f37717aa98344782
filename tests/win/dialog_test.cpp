// The installer dialog in this process, on the in-memory platform, driven from
// a second thread: data exchange, the version check, the install sequence, and
// what another process cannot see (icons, the system menu).
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "../../engine/messages.h"
#include "../../res/resource.h"
#include "../../ui/installer_dialog.h"
#include "../../ui/version_check.h"
#include "../common/fake_platform.h"

namespace {

using Lines = std::vector<std::string>;

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lParam)
{
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

class DialogTest : public ::testing::Test {
protected:
    FakePlatform fake;
    InstallerDialog dlg{fake};
    HWND h = nullptr;

    void SetUp() override
    {
        fake.MakeDir("C:\\PS\\Filters");
        fake.SetValue("SOFTWARE\\Adobe\\Photoshop\\7.0", "PlugInPath", kRegSz, std::string("C:\\PS\\") + '\0');
        fake.WriteFile("D:\\photoshopplugins\\a.8bf", "plug-in");
    }

    // Shows the dialog modally while `script` drives it from another thread.
    INT_PTR Run(const std::function<void()>& script)
    {
        DWORD ui = GetCurrentThreadId();
        std::atomic<bool> done{false};
        std::thread driver([&] {
            while (!h)
                EnumThreadWindows(ui, FindDialog, reinterpret_cast<LPARAM>(&h)), Sleep(5);
            // Answered only once the dialog's thread reads messages: the modal loop runs.
            SendMessageW(h, WM_NULL, 0, 0);
            script();
            done = true;
            for (int i = 0; i < 250 && IsWindow(h); ++i)
                Sleep(20);
            if (IsWindow(h)) {
                ADD_FAILURE() << "the script left the dialog open";
                PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        });
        INT_PTR result = dlg.DoModal();
        driver.join();
        EXPECT_TRUE(done);
        return result;
    }

    HWND Edit() { return GetDlgItem(h, IDC_VERSION); }
    std::string FieldText()
    {
        char text[512] = {};
        GetWindowTextA(Edit(), text, sizeof text);
        return text;
    }
    void Paste(const char* text) { SendMessageA(Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
    void Command(int id) { SendMessageW(h, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
};

TEST_F(DialogTest, OpensWithVersion5IconsAndTheAboutEntry)
{
    EXPECT_EQ(Run([&] {
                  EXPECT_EQ(FieldText(), "5.0");
                  auto drag = reinterpret_cast<HICON>(SendMessageW(h, WM_QUERYDRAGICON, 0, 0));
                  EXPECT_NE(drag, nullptr);
                  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_BIG, 0)), drag);
                  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_SMALL, 0)), drag);

                  HMENU menu = GetSystemMenu(h, FALSE);
                  int count = GetMenuItemCount(menu);
                  ASSERT_GE(count, 2);
                  EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
                  wchar_t text[64] = {};
                  GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
                  EXPECT_STREQ(text, L"\x5173\x4e8e tandrel(&A)...");
                  MENUITEMINFOW info = {};
                  info.cbSize = sizeof info;
                  info.fMask = MIIM_FTYPE;
                  GetMenuItemInfoW(menu, count - 2, TRUE, &info);
                  EXPECT_TRUE(info.fType & MFT_SEPARATOR);

                  Command(IDCANCEL);
              }),
              IDCANCEL);
    EXPECT_EQ(fake.messages, Lines{});  // the first transfer of "5.0" is not checked
    EXPECT_EQ(fake.Find("C:\\PS\\Filters\\Morvask software"), nullptr);
}

TEST_F(DialogTest, EveryChangeIsReadAndCheckedOnce)
{
    struct Case {
        const char* text;
        const char* warning;
    } cases[] = {
        {"7", kMsgInvalidVersion}, {"7.", nullptr},     {"7.0", nullptr},         {"", kMsgInvalidVersion},
        {"4.0", kMsgVersionTooOld}, {"10.0", kMsgInvalidVersion}, {"A.1", nullptr}, {"5.x", nullptr},
    };
    Run([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            fake.messages.clear();
            Paste(c.text);
            EXPECT_EQ(dlg.m_strVersion, c.text);
            EXPECT_EQ(FieldText(), c.text);
            EXPECT_EQ(fake.messages, c.warning ? Lines{c.warning} : Lines{});
        }
        Command(IDCANCEL);
    });
}

// Writing back the text after a warning must leave the field alone: the caret
// stays where the user types.
TEST_F(DialogTest, TypingGoesOnAfterAWarning)
{
    Run([&] {
        SendMessageW(Edit(), EM_SETSEL, 0, -1);
        for (char c : std::string("4.0"))
            SendMessageW(Edit(), WM_CHAR, static_cast<WPARAM>(c), 1);
        EXPECT_EQ(FieldText(), "4.0");
        EXPECT_EQ(fake.messages, (Lines{kMsgInvalidVersion, kMsgVersionTooOld, kMsgVersionTooOld}));
        Command(IDCANCEL);
    });
}

// A transfer into the field is not a change the user made.
TEST_F(DialogTest, TransfersAreNotChecked)
{
    dlg.m_strVersion = "4.0";
    Run([&] {
        EXPECT_EQ(FieldText(), "4.0");
        Command(IDOK);  // 4.0 is not installed: the dialog stays
        Command(IDCANCEL);
    });
    EXPECT_EQ(fake.messages, Lines{kMsgVersionNotFound});
}

// A message box runs its own message loop: keys the user typed before it came
// up reach the field while it is open. None of them may be lost.
TEST_F(DialogTest, KeysTypedWhileAWarningIsOpenAreKept)
{
    class Typist : public FakePlatform {
    public:
        HWND edit = nullptr;
        void ShowMessage(const std::string& text) override
        {
            FakePlatform::ShowMessage(text);
            if (messages.size() == 1) {
                PostMessageW(edit, WM_CHAR, '.', 1);
                PostMessageW(edit, WM_CHAR, '0', 1);
            }
            MSG msg;  // as the box's loop does
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
    } typist;
    typist.MakeDir("C:\\PS\\Filters");
    typist.MakeDir("D:\\photoshopplugins");
    typist.SetValue("SOFTWARE\\Adobe\\Photoshop\\7.0", "PlugInPath", kRegSz, "C:\\PS");
    InstallerDialog dialog(typist);
    DWORD ui = GetCurrentThreadId();
    std::thread driver([&] {
        HWND found = nullptr;
        while (!found)
            EnumThreadWindows(ui, FindDialog, reinterpret_cast<LPARAM>(&found)), Sleep(5);
        SendMessageW(found, WM_NULL, 0, 0);
        typist.edit = GetDlgItem(found, IDC_VERSION);
        SendMessageW(typist.edit, EM_SETSEL, 0, -1);
        SendMessageW(typist.edit, WM_CHAR, '7', 1);
        SendMessageW(found, WM_NULL, 0, 0);
        char text[16] = {};
        GetWindowTextA(typist.edit, text, sizeof text);
        EXPECT_STREQ(text, "7.0");
        SendMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        SendMessageW(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // no effect once OK ended it
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    driver.join();
    EXPECT_EQ(dialog.m_strVersion, "7.0");
    EXPECT_EQ(typist.messages, Lines{kMsgInvalidVersion});
    EXPECT_NE(typist.Find("C:\\PS\\Filters\\Morvask software"), nullptr);
}

TEST_F(DialogTest, OkInstallsForTheVersionLastReadAndStaysOpenOnFailure)
{
    EXPECT_EQ(Run([&] {
                  Command(IDOK);  // 5.0 is not installed
                  EXPECT_EQ(fake.messages, Lines{kMsgVersionNotFound});
                  EXPECT_TRUE(IsWindowVisible(h));
                  Paste("7.0");
                  Command(IDOK);
              }),
              IDOK);
    EXPECT_EQ(dlg.m_strVersion, "7.0");
    EXPECT_EQ(fake.messages, Lines{kMsgVersionNotFound});
    FakePlatform::Node* copy = fake.Find("C:\\PS\\Filters\\Morvask software\\a.8bf");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->content, "plug-in");
}

}  // namespace
