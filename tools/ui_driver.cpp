#include "tools/ui_driver.h"

#include <cstdio>

namespace {

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (pid == search->pid && std::wstring(cls) == L"#32770")
        search->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK LongestStatic(HWND hwnd, LPARAM lParam)
{
    auto* text = reinterpret_cast<std::string*>(lParam);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    std::string t = WindowText(hwnd);
    if (_wcsicmp(cls, L"Static") == 0 && t.size() > text->size())
        *text = t;
    return TRUE;
}

}  // namespace

std::string ToUtf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::string WindowText(HWND hwnd)
{
    wchar_t buffer[2048] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &got);
    return ToUtf8(std::wstring(buffer, got));
}

std::wstring Wide(const std::string& utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

bool Program::Start(const std::string& path, const std::string& args)
{
    Close();
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + Wide(path) + L"\"" + (args.empty() ? L"" : L" " + Wide(args));
    const auto start = [&] {
        return CreateProcessW(Wide(path).c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi) != FALSE;
    };
    if (start())
        return true;
    // Wine 8 fails a start so when the new process died in Wine's own start-up,
    // before any of the program's code ran, and leaves no process: only such a
    // start is tried once more.
    if (GetLastError() != ERROR_INTERNAL_ERROR || !GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        return false;
    std::printf("Wine could not start %s (error 1359); starting it once more\n", path.c_str());
    return start();
}

void Program::Close()
{
    if (!m_pi.hProcess)
        return;
    if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
    m_pi = {};
}

std::vector<HWND> Program::Dialogs()
{
    Search search{m_pi.dwProcessId, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::WaitDialog(const std::string& caption, DWORD timeoutMs)
{
    // Polled often: the benchmark times the start with this.
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;) {
        for (HWND hwnd : Dialogs())
            if (IsWindowVisible(hwnd) && WindowText(hwnd) == caption)  // shown once set up
                return hwnd;
        Sleep(1);
    }
    return nullptr;
}

Box Program::WaitBox(HWND except, DWORD timeoutMs)
{
    Box box;
    for (DWORD waited = 0;; waited += 20) {
        for (HWND hwnd : Dialogs()) {
            if (hwnd == except)
                continue;
            box.hwnd = hwnd;
            box.caption = WindowText(hwnd);
            EnumChildWindows(hwnd, LongestStatic, reinterpret_cast<LPARAM>(&box.text));
            return box;
        }
        if (waited >= timeoutMs)
            return box;
        Sleep(20);
    }
}

bool Program::WaitExit(DWORD timeoutMs, DWORD& exitCode)
{
    if (WaitForSingleObject(m_pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(m_pi.hProcess, &exitCode) != FALSE;
}

void Program::Idle()
{
    WaitInputIdle();
    Sleep(30);
    WaitInputIdle();
}

void Program::Post(HWND target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    PostMessageW(target, msg, wParam, lParam);
    Idle();
}

void Program::Press(HWND target, UINT vk)
{
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    Post(target, WM_KEYUP, vk, 0xC0000001);
}

void CloseBox(const Box& box)
{
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    for (int i = 0; i < 250 && IsWindow(box.hwnd); ++i)
        Sleep(20);
}
