// Drives a running tandrel.exe from another process, as a user would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Box {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
};

class Program {
public:
    // Starts the program (ending one started before); false if it could not be
    // started. Path and arguments in UTF-8, as every text here.
    bool Start(const std::string& path, const std::string& args = "");
    // Ends the program if it still runs.
    void Close();
    ~Program() { Close(); }
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The top-level dialog with this caption, set up and shown, waited for.
    HWND WaitDialog(const std::string& caption, DWORD timeoutMs = 10000);
    // A message box (any top-level dialog other than `except`), waited for.
    Box WaitBox(HWND except, DWORD timeoutMs = 10000);
    // Dialogs of the program now, shown or still being set up.
    std::vector<HWND> Dialogs();
    bool WaitExit(DWORD timeoutMs, DWORD& exitCode);
    void Press(HWND target, UINT vk);
    void Post(HWND target, UINT msg, WPARAM wParam, LPARAM lParam);
    // Waits until the program waits for input, and a little more for what that starts.
    void Idle();
    void WaitInputIdle() { WaitForInputIdle(m_pi.hProcess, 5000); }
    HANDLE Thread() const { return m_pi.hThread; }

private:
    PROCESS_INFORMATION m_pi = {};
};

std::string WindowText(HWND hwnd);
void CloseBox(const Box& box);
std::string ToUtf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
