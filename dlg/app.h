// The application object: the entry routine runs its InitInstance once.
#pragma once

#include <windows.h>

#include <string>

class Dialog;

class App {
public:
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Shows the main dialog modally; the process ends when it returns.
    virtual BOOL InitInstance() = 0;

    // Runs the one application object; the process's exit code.
    static int Run();

    static HINSTANCE Instance();
    // The main window, owner of modal dialogs and message boxes; null before one exists.
    static HWND MainWindowHandle();
    // The program file's base name: the caption of every message box.
    static const std::string& Title();

    Dialog* m_pMainWnd = nullptr;

private:
    static App* s_current;
};

// A modal OK box with the exclamation icon, owned by the main window.
void AfxMessageBox(const std::string& text);
