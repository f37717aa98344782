// The system services the installer needs, kept behind an interface so the
// install logic builds and is tested on any host. Windows paths, ANSI text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrDirectory = 0x10;

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;

struct FindEntry {
    uint32_t attributes = 0;
    std::string name;  // bare entry name
};

// An open directory listing; closed when destroyed.
class FileSearch {
public:
    virtual ~FileSearch() = default;
    virtual bool Next(FindEntry& entry) = 0;
};

struct RegValue {
    uint32_t type = 0;
    std::string data;  // the stored bytes, as many as there are
};

// An open registry key; closed when destroyed.
class RegKey {
public:
    virtual ~RegKey() = default;
    // False when the value is missing or cannot be read.
    virtual bool QueryValue(const std::string& name, RegValue& value) = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Full path of the running program, never truncated; false if it cannot be had.
    virtual bool ProgramPath(std::string& path) = 0;

    // Opens HKEY_LOCAL_MACHINE\subkey for reading; null when it cannot be opened.
    virtual std::unique_ptr<RegKey> OpenMachineKey(const std::string& subkey) = 0;

    // Starts a listing of a path or a wildcard pattern; null when nothing matches.
    virtual std::unique_ptr<FileSearch> FindFirst(const std::string& pattern, FindEntry& first) = 0;

    // Creates the last level of path only.
    virtual bool MakeFolder(const std::string& path) = 0;

    // Copies source over target, replacing a target unless it is read-only or hidden.
    virtual bool CopyOneFile(const std::string& source, const std::string& target) = 0;

    // A modal OK box owned by the main window.
    virtual void ShowMessage(const std::string& text) = 0;
};
