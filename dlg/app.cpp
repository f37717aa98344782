#include "app.h"

#include "dialog.h"

App* App::s_current = nullptr;

App::App() { s_current = this; }

App::~App()
{
    if (s_current == this)
        s_current = nullptr;
}

HINSTANCE App::Instance() { return GetModuleHandleW(nullptr); }

HWND App::MainWindowHandle()
{
    return s_current && s_current->m_pMainWnd ? s_current->m_pMainWnd->GetSafeHwnd() : nullptr;
}

int App::Run()
{
    if (!s_current)
        return 1;
    if (s_current->InitInstance()) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return 0;
}
