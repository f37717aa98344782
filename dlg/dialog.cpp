#include "dialog.h"

#include <vector>

#include "app.h"

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
    return DialogBoxParamW(App::Instance(), MAKEINTRESOURCEW(m_templateId), m_hParent, DialogProc,
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

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
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

// Messages whose answer a dialog procedure returns directly rather than
// through DWLP_MSGRESULT.
static bool AnswersDirectly(UINT msg)
{
    return msg == WM_QUERYDRAGICON || msg == WM_CTLCOLORDLG || msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC ||
           msg == WM_CTLCOLORBTN || msg == WM_COMPAREITEM || msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM;
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && lParam != 0 && m_inTransfer)
        return TRUE;  // a control's notification caused by the transfer itself

    INT_PTR result = 0;
    if (OnMessage(msg, wParam, lParam, result)) {
        if (AnswersDirectly(msg))
            return result;
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
