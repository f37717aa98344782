#include <windows.h>

#include "dlg/app.h"

// An installer runs elevated from download folders and removable media, where a
// planted DLL would be found first: load DLLs from System32 only.
static void RestrictDllSearch()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (proc)
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(proc))(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else
        SetDllDirectoryW(L"");  // without it, at least the current folder is out
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    return App::Run();
}
