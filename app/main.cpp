#include <windows.h>

#include <cstdlib>

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

// From Windows 10 22H2 on: no junction or link a user made is followed, by
// any call. Older systems lack it; the folders are checked by handle anyway.
static void TrustOnlyAdministratorsLinks()
{
    using SetProcessMitigationPolicyFn = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);
    FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy");
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy = {};
    policy.EnforceRedirectionTrust = 1;
    if (proc)
        reinterpret_cast<SetProcessMitigationPolicyFn>(reinterpret_cast<void*>(proc))(ProcessRedirectionTrustPolicy, &policy, sizeof policy);
}

// Windows may show a program OneDrive's placeholders disguised as plain files,
// which a plug-in opened as itself then reads as its bare stream: see them as
// they are, so that each is read through its file system filter. For the
// process from Windows 10 1803 on; in 1709, which has placeholders too, only
// for a thread, and this program has one. Windows 7 and Wine have neither.
static void ExposePlaceholders()
{
    using SetModeFn = CHAR(NTAPI*)(CHAR);
    const CHAR kExposePlaceholders = 2;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC proc = GetProcAddress(ntdll, "RtlSetProcessPlaceholderCompatibilityMode");
    if (!proc)
        proc = GetProcAddress(ntdll, "RtlSetThreadPlaceholderCompatibilityMode");
    if (proc)
        reinterpret_cast<SetModeFn>(reinterpret_cast<void*>(proc))(kExposePlaceholders);
}

// An exception nobody catches ends the process. The library's own handler would
// first print its type to the console a GUI program has not, and brings a
// name demangler of some 40 KB for that.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    TrustOnlyAdministratorsLinks();
    ExposePlaceholders();
    return App::Run();
}
