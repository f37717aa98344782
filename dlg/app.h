// The application object: the entry routine runs its InitInstance once.
#pragma once

#include <windows.h>

class Dialog;

class App {
public:
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // FALSE: nothing more to run, the process ends.
    virtual BOOL InitInstance() = 0;

    static App* Current() { return s_current; }
    static HINSTANCE Instance();
    // The main window, owner of message boxes; null before one exists.
    static HWND MainWindowHandle();

    // Runs the one application object; the process's exit code.
    static int Run();

    Dialog* m_pMainWnd = nullptr;

private:
    static App* s_current;
};
