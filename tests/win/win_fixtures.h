// RAII helpers for Windows tests: temp folders, a scratch registry tree,
// files held open without sharing.
#pragma once

#include <windows.h>

#include <string>

void MakeDirs(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content, DWORD attributes = 0);
bool ReadWholeFile(const std::string& path, std::string& content);
void RemoveTree(const std::string& path);

// A folder removed with all it holds when the object ends.
class TempFolder {
public:
    TempFolder();  // a new, empty folder under %TEMP%
    TempFolder(const std::string& path, bool create);
    ~TempFolder() { RemoveTree(m_path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A HKLM subtree that must not exist before; deleted when the object ends.
class ScratchRegistry {
public:
    explicit ScratchRegistry(const std::string& root);
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    void MakeKey(const std::string& subkey);
    void SetValue(const std::string& subkey, const std::string& name, DWORD type, const std::string& data);

private:
    std::string m_root;
    bool m_owned = false;
};

class LockedFile {
public:
    explicit LockedFile(const std::string& path);
    ~LockedFile();
    LockedFile(LockedFile&& other) noexcept : m_handle(other.m_handle) { other.m_handle = INVALID_HANDLE_VALUE; }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

private:
    HANDLE m_handle;
};
