#include "dlg/dialog.h"

#include <algorithm>
#include <vector>

#include "dlg/app.h"

void DDX_Text(DataExchange& dx, int id, std::string& value)
{
    HWND control = GetDlgItem(dx.m_hDlg, id);
    int length = GetWindowTextLengthA(control);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    int got = GetWindowTextA(control, text.data(), length + 1);
    std::string current(text.data(), static_cast<size_t>(got));
    if (dx.m_bSaveAndValidate)
        value = current;
    else if (current != value)
        SetWindowTextA(control, value.c_str());
}

INT_PTR Dialog::DoModal()
{
    // Without a parent the main window owns it, and is disabled while it is open.
    HWND owner = m_hParent ? m_hParent : App::MainWindowHandle();
    return DialogBoxParamW(App::Instance(), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL Dialog::UpdateData(BOOL save)
{
    bool outer = !m_inTransfer;
    m_inTransfer = true;
    DataExchange dx(m_hWnd, save != FALSE);
    DoDataExchange(dx);
    if (outer)
        m_inTransfer = false;
    return TRUE;
}

void Dialog::CenterWindow()
{
    // Over the owner, or on the work area of the monitor when there is none;
    // kept within that work area either way.
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT area = monitor.rcWork, around = area, self = {};
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &around);
    GetWindowRect(m_hWnd, &self);
    const LONG width = self.right - self.left, height = self.bottom - self.top;
    const LONG x = std::max(area.left, std::min((around.left + around.right - width) / 2, area.right - width));
    const LONG y = std::max(area.top, std::min((around.top + around.bottom - height) / 2, area.bottom - height));
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL Dialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void Dialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        self->CenterWindow();
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    INT_PTR result = self->Dispatch(msg, wParam, lParam);
    if (msg == WM_NCDESTROY)
        self->m_hWnd = nullptr;
    return result;
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && lParam != 0 && m_inTransfer)
        return TRUE;  // a control's notification caused by the transfer itself

    INT_PTR result = 0;
    if (OnMessage(msg, wParam, lParam, result)) {
        if (msg == WM_QUERYDRAGICON)
            return result;  // answered directly, not through DWLP_MSGRESULT
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    // Whoever sends it: the button, Enter, Esc, the close box, an accelerator or another program.
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}
