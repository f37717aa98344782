// The Win32 operations the installation calls, each handle wrapped once.
#pragma once

#include <windows.h>

#include <string>

#include "engine/paths.h"

// The lead bytes of the system's ANSI code page.
LeadBytes AnsiLeadBytes();

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

// A directory listing positioned on its current entry; closed when the object ends.
// Names come as the file system holds them, not as the code page bends them.
class FileFind {
public:
    explicit FileFind(const std::string& pattern);
    ~FileFind();
    FileFind(const FileFind&) = delete;
    FileFind& operator=(const FileFind&) = delete;

    bool Found() const { return m_find != INVALID_HANDLE_VALUE; }
    bool Next() { return FindNextFileW(m_find, &m_data) != FALSE; }
    bool IsFolder() const { return (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    std::wstring Name() const { return m_data.cFileName; }
    // A symbolic link or junction: what it names may lie anywhere.
    bool IsLink() const
    {
        return (m_data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
               (m_data.dwReserved0 == IO_REPARSE_TAG_SYMLINK || m_data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    }

private:
    WIN32_FIND_DATAW m_data;
    HANDLE m_find;
};

// Copies source to folder\name so that a file already there ends as its old
// version whole or the new one whole, never cut. Refuses read-only, hidden and
// system targets, as Windows' own copy does; the copy keeps the source's
// attributes but read-only, and waits a moment for a target that is held.
bool InstallFile(const std::string& source, const std::string& folder, const std::string& name);

// Deletes the temporary copies an interrupted run left in folder.
void RemoveLeftoverCopies(const std::string& folder);
