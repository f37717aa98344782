#include "dlg/app.h"

#include "dlg/dialog.h"

App* App::s_current = nullptr;

App::App() { s_current = this; }

App::~App() { s_current = nullptr; }

int App::Run()
{
    if (s_current)
        s_current->InitInstance();
    return 0;
}

HINSTANCE App::Instance() { return GetModuleHandleW(nullptr); }

HWND App::MainWindowHandle()
{
    return s_current && s_current->m_pMainWnd ? s_current->m_pMainWnd->GetSafeHwnd() : nullptr;
}

std::string App::ProgramPath()
{
    const DWORD longest = 32768;  // no Windows path is longer
    std::string path(longest, '\0');
    DWORD length = GetModuleFileNameA(nullptr, &path[0], longest);
    path.resize(length < longest ? length : 0);
    return path;
}

const std::string& App::Title()
{
    static const std::string title = [] {
        std::string name = ProgramPath();
        name.erase(0, name.find_last_of("\\/") + 1);
        return name.substr(0, name.find_last_of('.'));
    }();
    return title;
}

void AfxMessageBox(const std::string& text)
{
    MessageBoxA(App::MainWindowHandle(), text.c_str(), App::Title().c_str(), MB_OK | MB_ICONEXCLAMATION);
}
