#include "app/installer_app.h"

#include <commctrl.h>

#include "ui/installer_dialog.h"

InstallerApp theApp;

BOOL InstallerApp::InitInstance()
{
    // Loaded here, not imported, so it comes after the DLL search is restricted;
    // the manifest makes it version 6.
    if (HMODULE comctl = LoadLibraryW(L"comctl32.dll")) {
        using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
        if (init)
            init(&controls);
    }

    InstallerDialog dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
