// The Win32 operations the installation calls, each handle wrapped once.
#pragma once

#include <windows.h>

#include <string>

#include "engine/paths.h"

// The lead bytes of the system's ANSI code page.
LeadBytes AnsiLeadBytes();

// ansi as the ANSI code page reads it.
std::wstring ToWide(const std::string& ansi);
// wide in the ANSI code page, only if that spells it exactly: false when a
// character would be dropped, replaced or best-fitted (U+FF3C to '\').
bool ToAnsiExactly(const std::wstring& wide, std::string& ansi);
// wide as the ANSI code page shows it: '?' for what it cannot spell.
std::string ToAnsiShown(const std::wstring& wide);

// Full path of the running program, exactly as the ANSI code page spells it;
// empty when it cannot.
std::string ExactProgramPath();

// A registry key open for reading; closed when the object ends.
class RegKey {
public:
    RegKey(HKEY root, const std::string& subkey);
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // A string value (REG_SZ, or REG_EXPAND_SZ left unexpanded) that the ANSI
    // code page spells exactly in at most size bytes with its terminator; false
    // for anything else.
    bool QueryString(const char* name, DWORD size, std::string& text) const;

private:
    HKEY m_key = nullptr;
};
