// The platform operations on the real Win32 API (ANSI functions).
#pragma once

#include <windows.h>

#include "platform.h"

class Win32Platform : public Platform {
public:
    // owner: returns the window that owns message boxes (may be null).
    using OwnerFn = HWND (*)();
    explicit Win32Platform(OwnerFn owner = nullptr) : m_owner(owner) {}

    bool ProgramPath(std::string& path) override;
    std::unique_ptr<RegKey> OpenMachineKey(const std::string& subkey) override;
    std::unique_ptr<FileSearch> FindFirst(const std::string& pattern, FindEntry& first) override;
    bool MakeFolder(const std::string& path) override;
    bool CopyOneFile(const std::string& source, const std::string& target) override;
    void ShowMessage(const std::string& text) override;

private:
    OwnerFn m_owner;
};

// The program file's base name, the caption of every message box.
std::string ApplicationTitle();
