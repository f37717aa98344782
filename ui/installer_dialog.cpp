#include "ui/installer_dialog.h"

#include "dlg/app.h"
#include "res/resource.h"
#include "ui/about_dialog.h"
#include "ui/version_check.h"

InstallerDialog::InstallerDialog(HWND parent)
    : Dialog(IDD_INSTALLER_DIALOG, parent),
      m_hIcon(LoadIconA(App::Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME)))
{
}

void InstallerDialog::DoDataExchange(DataExchange& dx)
{
    DDX_Text(dx, IDC_VERSION, m_strVersion);
}

bool InstallerDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM, INT_PTR& result)
{
    switch (msg) {
    case WM_SYSCOMMAND:
        return OnSysCommand(static_cast<UINT>(wParam));
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_VERSION && HIWORD(wParam) == EN_CHANGE) {
            OnChangeVersion();
            return true;
        }
        return false;
    }
    return false;
}

BOOL InstallerDialog::OnInitDialog()
{
    Dialog::OnInitDialog();

    // Loaded as UTF-16 so the Chinese entry reads right whatever the system's code page.
    HMENU sysMenu = GetSystemMenu(m_hWnd, FALSE);
    if (sysMenu) {
        const wchar_t* text = nullptr;
        int length = LoadStringW(App::Instance(), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
        if (length > 0) {
            std::wstring about(text, static_cast<size_t>(length));
            AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(sysMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }

    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

bool InstallerDialog::OnSysCommand(UINT id)
{
    if ((id & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    AboutDialog about;
    about.DoModal();
    return true;
}

bool InstallerDialog::OnPaint()
{
    if (!IsIconic(m_hWnd))
        return false;
    PaintDC dc(m_hWnd);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    int cxIcon = GetSystemMetrics(SM_CXICON);
    int cyIcon = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(m_hWnd, &rect);
    int x = (rect.right - rect.left - cxIcon + 1) / 2;
    int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
    return true;
}

void InstallerDialog::OnOK()
{
    // m_strVersion is what the field held at its last change.
    if (!LocatePluginFolder())
        return;
    {
        WaitCursor wait;
        CopyPlugins();
    }
    Dialog::OnOK();
}

void InstallerDialog::OnChangeVersion()
{
    UpdateData(TRUE);
    // Only a warning: the field is left as it is. Keys typed before the box came
    // up reach the field while it is open, so writing back the text read above
    // would throw them away.
    if (const char* warning = CheckVersion(m_strVersion))
        AfxMessageBox(warning);
}
