// The benchmark's yardstick: a bare one-dialog Win32 program, its template built
// in memory, nothing else.
#include <windows.h>

#include <vector>

static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG)
        return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    std::vector<WORD> t(64, 0);
    auto* dlg = reinterpret_cast<DLGTEMPLATE*>(t.data());
    dlg->style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    dlg->cx = 235;
    dlg->cy = 115;
    WORD* p = reinterpret_cast<WORD*>(dlg + 1);
    *p++ = 0;  // no menu
    *p++ = 0;  // default class
    for (const wchar_t* c = L"Bare"; (*p++ = *c) != 0; ++c) {
    }
    *p++ = 9;
    for (const wchar_t* c = L"MS Sans Serif"; (*p++ = *c) != 0; ++c) {
    }
    return static_cast<int>(DialogBoxIndirectParamW(instance, dlg, nullptr, Proc, 0)) == -1;
}
