// Folders and files reached by handle. A folder is checked once, then held
// open, and every name in it is opened relative to that handle, never by a
// path again: a link put in the way later cannot lead anywhere else.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <array>
#include <string>
#include <vector>

// A kernel handle, closed when the object ends.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    Handle(Handle&& other) noexcept : m_handle(other.Release()) {}
    Handle& operator=(Handle&& other) noexcept;
    ~Handle();
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HANDLE Release();
    HANDLE m_handle = nullptr;
};

struct Entry {
    std::wstring name;  // as the file system holds it
    DWORD attributes;
};

// What the file system says of an open file. Not its volume, which Wine
// answers slowly, from another process.
struct FileInfo {
    DWORD attributes = 0;
    DWORD links = 0;  // names of its data
    LARGE_INTEGER lastWrite = {};
    DWORD tag = 0;  // of a reparse point
};

// What a name opened in a folder turned out to be.
struct Opened {
    Handle handle;                // empty when the open failed
    NTSTATUS status = 0;          // why it failed, as the system said it
    FileInfo info;                // when it did not
    bool inPlace = false;         // the name itself: no link, no target elsewhere

    DWORD Error() const { return RtlNtStatusToDosError(status); }
};

// The forms Windows may name a file by, in the order tried: from its drive
// letter, then from its volume's device, for a volume without a letter; each
// normalized where the file system keeps such names, else as opened (discs,
// some shares, a parent that cannot be listed). A folder's and its child's
// are compared form by form. Wine answers the device form three times slower.
constexpr DWORD kPathForms[] = {VOLUME_NAME_DOS, VOLUME_NAME_DOS | FILE_NAME_OPENED, VOLUME_NAME_NT, VOLUME_NAME_NT | FILE_NAME_OPENED};
using FinalPaths = std::array<std::wstring, std::size(kPathForms)>;

class Folder {
public:
    Folder() = default;
    // The folder a path names, through whatever links lie on the way: only
    // for the start of a walk, a folder the administrator chose.
    static Folder AtPath(const std::wstring& path);
    explicit operator bool() const { return bool(m_handle); }
    HANDLE Get() const { return m_handle.Get(); }

    // The folder of this name in this one, where it stands; empty when there
    // is none, or it cannot be opened. taken: what has the name is no folder
    // to use, but a file or a link.
    Folder Child(const std::wstring& name, bool& taken) const;
    // The same, made when nothing has the name.
    Folder MakeChild(const std::wstring& name, bool& taken) const;

    // Every entry but "." and "..", as the file system lists them; false
    // unless the listing ran to its end.
    bool List(std::vector<Entry>& entries) const;

    // name opened in this folder (options as NtCreateFile takes them), never
    // through a link; a link of that name is opened as itself where Windows
    // can, and found out where it cannot.
    Opened Open(const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition, ULONG options) const;

private:
    Folder(Handle handle, FinalPaths paths) : m_handle(std::move(handle)), m_paths(std::move(paths)) {}
    static Folder Named(Handle handle);
    Folder Checked(Opened opened, bool& taken) const;
    bool IsChild(HANDLE handle, const std::wstring& name) const;

    Handle m_handle;
    FinalPaths m_paths;  // where it really is, as Windows names it
};

// Renames file (opened with DELETE access) to name in folder, in one step.
NTSTATUS RenameInto(HANDLE file, const Folder& folder, const std::wstring& name, bool replace);
// Marks the file for deletion once its last handle closes.
bool DeleteOnClose(HANDLE file);
// Sets attributes and, unless zero, the last write time.
bool SetBasics(HANDLE file, DWORD attributes, LARGE_INTEGER lastWrite);
