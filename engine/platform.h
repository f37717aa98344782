// The Win32 operations the installation calls, each handle wrapped once.
#pragma once

#include <windows.h>

#include <string>

// A registry key open for reading; closed when the object ends.
class RegKey {
public:
    RegKey(HKEY root, const std::string& subkey);
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // A string value (REG_SZ, or REG_EXPAND_SZ left unexpanded) whose text fits
    // `size` bytes with its terminator; false for anything else.
    bool QueryString(const char* name, DWORD size, std::string& text) const;

private:
    HKEY m_key = nullptr;
};

// A directory listing positioned on its current entry; closed when the object ends.
class FileFind {
public:
    explicit FileFind(const std::string& pattern) : m_find(FindFirstFileA(pattern.c_str(), &m_data)) {}
    ~FileFind();
    FileFind(const FileFind&) = delete;
    FileFind& operator=(const FileFind&) = delete;

    bool Found() const { return m_find != INVALID_HANDLE_VALUE; }
    bool Next() { return FindNextFileA(m_find, &m_data) != FALSE; }
    bool IsFolder() const { return (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    const char* Name() const { return m_data.cFileName; }

private:
    WIN32_FIND_DATAA m_data;
    HANDLE m_find;
};

// Copies source to folder\name so that a file already there ends as its old
// version whole or the new one whole, never cut. Refuses read-only and hidden
// targets, as Windows' own copy does.
bool InstallFile(const std::string& source, const std::string& folder, const std::string& name);

// Deletes the temporary copies an interrupted run left in folder.
void RemoveLeftoverCopies(const std::string& folder);
