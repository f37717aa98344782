// A modal dialog on a resource template, with text data exchange.
#pragma once

#include <windows.h>

#include <string>

class DataExchange {
public:
    DataExchange(HWND dialog, bool save) : m_hDlg(dialog), m_bSaveAndValidate(save) {}
    HWND m_hDlg;
    bool m_bSaveAndValidate;  // true: controls to fields
};

// Reads the control's whole text, or writes it unless it already shows it.
void DDX_Text(DataExchange& dx, int id, std::string& value);

class Dialog {
public:
    explicit Dialog(UINT templateId, HWND parent = nullptr) : m_templateId(templateId), m_hParent(parent) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    INT_PTR DoModal();
    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // While fields and controls are exchanged, control notifications are ignored.
    BOOL UpdateData(BOOL save = TRUE);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(DataExchange&) {}

    // The message map of a derived dialog: true when it handled the message,
    // with result as the answer.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

    HWND m_hWnd = nullptr;

private:
    // No C++ exception may unwind through user32: one that reaches here ends the process.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    // Where every modal dialog opens: centred over its owner, or on its monitor's work area.
    void CenterWindow();

    UINT m_templateId;
    HWND m_hParent;
    bool m_inTransfer = false;
};

// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    WaitCursor() : m_previous(SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)))) {}
    ~WaitCursor() { SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

// BeginPaint/EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(BeginPaint(hwnd, &m_ps)) {}
    ~PaintDC() { EndPaint(m_hWnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC GetSafeHdc() const { return m_hDC; }

private:
    PAINTSTRUCT m_ps;
    HWND m_hWnd;
    HDC m_hDC;
};
