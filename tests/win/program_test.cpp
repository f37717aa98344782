// The real tandrel.exe, started from a test medium and used as a person would.
#include <gtest/gtest.h>

#include "../../engine/messages.h"
#include "../../ui/version_check.h"
#include "program_fixture.h"

namespace {

TEST_F(ProgramTest, VersionWarningsAsTyped)
{
    const std::string bad = kMsgInvalidVersion, old = kMsgVersionTooOld;
    struct Case {
        const char* typed;  // over the selected text
        Lines warnings;
    } cases[] = {
        {"7.0", {bad}},
        {"5.5", {bad}},
        {"9.9", {bad}},
        {"4.0", {bad, old, old}},
        {"0.9", {bad, old, old}},
        {"10.0", {bad, bad, bad, bad}},
        {"A.1", {bad}},
        {":.x", {bad}},
        {" 6.0", {bad, bad, bad, bad}},
        {"5.", {bad}},
    };
    Launch();
    EXPECT_EQ(WindowText(edit), "5.0");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        SelectAll();
        EXPECT_EQ(Type(c.typed), c.warnings);
        EXPECT_EQ(WindowText(edit), c.typed);
    }
    SelectAll();
    program.Type(edit, '\b');
    EXPECT_EQ(Boxes(), Lines{bad});
    EXPECT_EQ(WindowText(edit), "");
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(IsWindow(dlg));
}

TEST_F(ProgramTest, EnterInstallsVersion5AtOnceAndSilently)
{
    Photoshop();
    Plugins({"a.8bf", "b.8bf"});
    WriteWholeFile(medium + "\\photoshopplugins\\docs\\readme.txt", "doc");
    Launch();
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &info));
    EXPECT_EQ(info.hwndFocus, GetDlgItem(dlg, IDOK));

    program.Press(GetDlgItem(dlg, IDOK), VK_RETURN);
    ExpectExit();
    EXPECT_EQ(InstalledContent("a.8bf"), "content of a.8bf");
    EXPECT_EQ(InstalledContent("b.8bf"), "content of b.8bf");
    EXPECT_EQ(GetFileAttributesA((vendor + "\\docs").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProgramTest, PlantedDllsAreNeverLoaded)
{
    const char* planted[] = {"uxtheme.dll", "dwmapi.dll", "version.dll", "comctl32.dll"};
    MakeDirs(medium + "\\Setup");
    for (const char* dll : planted)
        ASSERT_TRUE(CopyFileA(Sibling(std::string("planted\\") + dll).c_str(), (medium + "\\Setup\\" + dll).c_str(), FALSE));
    // Wine prefers its own copies of these; make it search like Windows does,
    // the program's folder first. Not version.dll: Wine's user32 imports it, so
    // it is resolved before the program runs (Windows' user32 does not).
    NativeFirst overrides("tandrel.exe", {"uxtheme", "dwmapi", "comctl32"});
    Photoshop();
    Plugins({"p.8bf"});
    Launch();
    // Themed drawing is what asks for uxtheme: let the program draw for a while.
    for (int i = 0; i < 10; ++i) {
        RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        program.Idle();
        Sleep(100);
    }
    ClickOK();
    ExpectExit();
    EXPECT_EQ(InstalledContent("p.8bf"), "content of p.8bf");
    for (const char* dll : planted)
        EXPECT_EQ(GetFileAttributesA((medium + "\\Setup\\" + dll + ".loaded").c_str()), INVALID_FILE_ATTRIBUTES) << dll;
}

TEST_F(ProgramTest, MissingVersionKeepsTheDialogOpenUntilCorrected)
{
    Photoshop("7.0");
    Plugins({"p.8bf"});
    Launch();
    ClickOK();
    EXPECT_EQ(Boxes(), Lines{kMsgVersionNotFound});
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(WindowText(edit), "5.0");

    SelectAll();
    EXPECT_EQ(Type("7.0"), Lines{kMsgInvalidVersion});
    ClickOK();
    ExpectExit();
    EXPECT_EQ(InstalledContent("p.8bf"), "content of p.8bf");
}

TEST_F(ProgramTest, MissingPluginsAreReportedThenTheDialogCloses)
{
    Photoshop();
    Launch();
    ClickOK();
    EXPECT_EQ(Boxes(), Lines{kMsgPluginsNotFound});
    ExpectExit();
    EXPECT_NE(GetFileAttributesA(vendor.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST_F(ProgramTest, CancelEscAndCloseInstallNothing)
{
    Photoshop();
    Plugins({"p.8bf"});
    struct Case {
        const char* how;
        UINT msg;
        WPARAM wParam;
        bool key;
    } cases[] = {
        {"Cancel button", BM_CLICK, 0, false},
        {"Esc", 0, VK_ESCAPE, true},
        {"close box", WM_SYSCOMMAND, SC_CLOSE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Program run;
        PutProgramOnMedium();
        ASSERT_TRUE(run.Start(medium + "\\Setup\\tandrel.exe"));
        HWND h = run.WaitDialog("Tandrel");
        ASSERT_NE(h, nullptr);
        run.Idle();
        if (c.key)
            run.Press(GetDlgItem(h, IDC_VERSION), static_cast<UINT>(c.wParam));
        else if (c.msg == BM_CLICK)
            run.Post(GetDlgItem(h, IDCANCEL), BM_CLICK, 0, 0);
        else
            run.Post(h, c.msg, c.wParam, 0);
        DWORD code = 1;
        ASSERT_TRUE(run.WaitExit(10000, code));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(GetFileAttributesA(vendor.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(ProgramTest, AboutBoxFromTheSystemMenu)
{
    Launch();
    program.Post(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = program.WaitDialog("About Tandrel");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(about, IDOK)), "OK");
    program.Press(GetDlgItem(about, IDOK), VK_ESCAPE);
    for (int i = 0; i < 100 && IsWindow(about); ++i)
        Sleep(20);
    EXPECT_FALSE(IsWindow(about));
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(WindowText(edit), "5.0");
    EXPECT_EQ(Boxes(), Lines{});
}

TEST_F(ProgramTest, MinimiseAndRestore)
{
    Launch();
    program.Post(dlg, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(dlg));
    // Painting while minimised draws the icon; Wine does not pass icon handles
    // across processes, so this only shows the paint does no harm.
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    program.Idle();
    program.Post(dlg, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(dlg));
    EXPECT_EQ(WindowText(edit), "5.0");
}

}  // namespace
