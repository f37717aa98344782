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

const std::string& App::Title()
{
    static const std::string title = [] {
        std::string path(32768, '\0');  // no Windows path is longer
        path.resize(GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size())));
        // A character at a time: in a double-byte code page a second byte may be a backslash.
        const char *name = path.c_str(), *dot = nullptr;
        for (const char* c = name; *c; c = CharNextA(c)) {
            if (*c == '\\' || *c == '/')
                name = c + 1, dot = nullptr;
            else if (*c == '.')
                dot = c;
        }
        return dot ? std::string(name, dot) : std::string(name);
    }();
    return title;
}

void AfxMessageBox(const std::string& text)
{
    MessageBoxA(App::MainWindowHandle(), text.c_str(), App::Title().c_str(), MB_OK | MB_ICONEXCLAMATION);
}
