#include "installer_app.h"

#include <commctrl.h>

#include "../engine/win32_platform.h"
#include "../ui/installer_dialog.h"

InstallerApp theApp;

BOOL InstallerApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    Win32Platform platform(&App::MainWindowHandle);
    InstallerDialog dlg(platform);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
