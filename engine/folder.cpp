#include "engine/folder.h"

#include <winternl.h>

#include <cstring>

Handle& Handle::operator=(Handle&& other) noexcept
{
    if (this != &other) {
        if (m_handle)
            CloseHandle(m_handle);
        m_handle = other.Release();
    }
    return *this;
}

Handle::~Handle()
{
    if (m_handle)
        CloseHandle(m_handle);
}

HANDLE Handle::Release()
{
    HANDLE handle = m_handle;
    m_handle = nullptr;
    return handle;
}

// Folders are held so that nobody may rename or delete them while the run lasts.
static const ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
static const ULONG kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Where the handle's file really is, links resolved; empty if Windows cannot say.
static std::wstring FinalPath(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length);
        length = GetFinalPathNameByHandleW(handle, &path[0], length, 0);
    }
    path.resize(length < path.size() ? length : 0);
    return path;
}

static std::wstring Join(const std::wstring& folder, const std::wstring& name)
{
    return folder + (!folder.empty() && folder.back() == L'\\' ? L"" : L"\\") + name;
}

static bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

static bool ReadInfo(HANDLE handle, FileInfo& info)
{
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return false;
    info = {basic.FileAttributes, standard.NumberOfLinks, basic.LastWriteTime};
    return true;
}

static bool IsFolder(const Opened& opened) { return opened.handle && (opened.info.attributes & FILE_ATTRIBUTE_DIRECTORY); }

Folder Folder::AtPath(const std::wstring& path)
{
    Opened opened;
    opened.handle = Handle(CreateFileW(path.c_str(), kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened.handle || !ReadInfo(opened.handle.Get(), opened.info) || !IsFolder(opened))
        return Folder();
    std::wstring final = FinalPath(opened.handle.Get());
    return final.empty() ? Folder() : Folder(std::move(opened.handle), std::move(final));
}

Opened Folder::Open(const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition, ULONG options) const
{
    Opened opened;
    if (!m_handle || name.size() > 32767) {
        opened.error = ERROR_PATH_NOT_FOUND;
        return opened;
    }
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, m_handle.Get(), nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    // Windows opens a link itself with FILE_OPEN_REPARSE_POINT; Wine opens its
    // target, which the final path gives away.
    const NTSTATUS status = NtCreateFile(&handle, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr,
        FILE_ATTRIBUTE_NORMAL, share, disposition, options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (status < 0) {
        opened.error = RtlNtStatusToDosError(status);
        return opened;
    }
    opened.handle = Handle(handle);
    opened.inPlace = ReadInfo(handle, opened.info) && !(opened.info.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                     SamePath(FinalPath(handle), Join(m_path, name));
    return opened;
}

Folder Folder::Checked(Opened opened, bool& taken) const
{
    taken = opened.error != ERROR_FILE_NOT_FOUND && opened.error != ERROR_PATH_NOT_FOUND;
    if (!opened.inPlace || !IsFolder(opened))
        return Folder();
    taken = false;
    std::wstring final = FinalPath(opened.handle.Get());
    return Folder(std::move(opened.handle), std::move(final));
}

Folder Folder::Child(const std::wstring& name, bool& taken) const
{
    return Checked(Open(name, kFolderAccess, kFolderShare, FILE_OPEN, FILE_DIRECTORY_FILE), taken);
}

Folder Folder::MakeChild(const std::wstring& name, bool& taken) const
{
    Folder child = Child(name, taken);
    if (child || taken)
        return child;
    return Checked(Open(name, kFolderAccess, kFolderShare, FILE_CREATE, FILE_DIRECTORY_FILE), taken);
}

std::vector<Entry> Folder::List() const
{
    std::vector<Entry> entries;
    std::vector<LONGLONG> buffer((64 << 10) / sizeof(LONGLONG));  // the entries' alignment
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    for (; m_handle && GetFileInformationByHandleEx(m_handle.Get(), kind, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)));
         kind = FileIdBothDirectoryInfo) {
        const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
        for (const FILE_ID_BOTH_DIR_INFO* entry;; at += entry->NextEntryOffset) {
            entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                entries.push_back({std::move(name), entry->FileAttributes});
            if (!entry->NextEntryOffset)
                break;
        }
    }
    return entries;
}

bool RenameInto(HANDLE file, const Folder& folder, const std::wstring& name, bool replace)
{
    // SetFileInformationByHandle refuses a folder handle here under Wine; the
    // native call takes it everywhere.
    const ULONG bytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::vector<LONGLONG> buffer((sizeof(FILE_RENAME_INFORMATION) + bytes) / sizeof(LONGLONG) + 1);
    auto* info = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    info->ReplaceIfExists = replace;
    info->RootDirectory = folder.Get();
    info->FileNameLength = bytes;
    memcpy(info->FileName, name.data(), bytes);
    IO_STATUS_BLOCK io = {};
    const NTSTATUS status = NtSetInformationFile(file, &io, info, static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)), FileRenameInformation);
    SetLastError(RtlNtStatusToDosError(status));
    return status >= 0;
}

bool DeleteOnClose(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool SetBasics(HANDLE file, DWORD attributes, LARGE_INTEGER lastWrite)
{
    FILE_BASIC_INFO basics = {};
    basics.LastWriteTime = lastWrite;
    basics.FileAttributes = attributes;
    return SetFileInformationByHandle(file, FileBasicInfo, &basics, sizeof basics) != FALSE;
}
