#include "engine/folder.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "engine/paths.h"

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

// Where the handle's file really is, links resolved, in one form; empty if
// Windows cannot say.
static std::wstring FinalPath(HANDLE handle, DWORD form)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()), form);
    if (length >= path.size()) {
        path.resize(length);
        length = GetFinalPathNameByHandleW(handle, &path[0], length, form);
    }
    path.resize(length < path.size() ? length : 0);
    return path;
}

static FinalPaths FinalPathsOf(HANDLE handle)
{
    FinalPaths paths;
    for (size_t form = 0; form < paths.size(); ++form)
        paths[form] = FinalPath(handle, kPathForms[form]);
    return paths;
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
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) ||
        ((basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)))
        return false;
    info = {basic.FileAttributes, standard.NumberOfLinks, basic.LastWriteTime, tag.ReparseTag};
    return true;
}

static bool IsFolder(const Opened& opened) { return opened.handle && (opened.info.attributes & FILE_ATTRIBUTE_DIRECTORY); }

static bool IsLink(const FileInfo& info) { return (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkTag(info.tag); }

// A folder Windows names in no form cannot tell what lies in it from what lies
// elsewhere: no use.
Folder Folder::Named(Handle handle)
{
    FinalPaths paths = FinalPathsOf(handle.Get());
    const bool named = std::any_of(paths.begin(), paths.end(), [](const std::wstring& path) { return !path.empty(); });
    return named ? Folder(std::move(handle), std::move(paths)) : Folder();
}

Folder Folder::AtPath(const std::wstring& path)
{
    Opened opened;
    opened.handle = Handle(CreateFileW(path.c_str(), kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened.handle || !ReadInfo(opened.handle.Get(), opened.info) || !IsFolder(opened))
        return Folder();
    return Named(std::move(opened.handle));
}

static NTSTATUS OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition, ULONG options, HANDLE& handle)
{
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io = {};
    return NtCreateFile(&handle, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share,
        disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
}

// One file: its volume and its 128-bit id (ReFS's 64-bit ids need not be
// unique), from Windows 8 on. Windows 7 lacks that class, and has reparse
// points that are files too (a deduplicated or tiered share): there the
// volume's serial and the 64-bit index, where the file system keeps one.
static bool SameFile(HANDLE a, HANDLE b)
{
    struct {
        ULONGLONG volume;
        BYTE id[16];
    } first, second;
    const auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
    if (GetFileInformationByHandleEx(a, kFileIdInfo, &first, sizeof first) && GetFileInformationByHandleEx(b, kFileIdInfo, &second, sizeof second))
        return first.volume == second.volume && memcmp(first.id, second.id, sizeof first.id) == 0;
    BY_HANDLE_FILE_INFORMATION one, other;
    if (!GetFileInformationByHandle(a, &one) || !GetFileInformationByHandle(b, &other))
        return false;
    // An index of 0 or all ones: the file system keeps none.
    const ULONGLONG index = ULONGLONG(one.nFileIndexHigh) << 32 | one.nFileIndexLow, otherIndex = ULONGLONG(other.nFileIndexHigh) << 32 | other.nFileIndexLow;
    return index != 0 && index != ~0ULL && index == otherIndex && one.dwVolumeSerialNumber == other.dwVolumeSerialNumber;
}

Opened Folder::Open(const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition, ULONG options) const
{
    Opened opened;
    if (!m_handle || name.size() > 32767) {
        opened.status = static_cast<NTSTATUS>(0xC000003A);  // the path's folder is not there
        return opened;
    }
    // Windows opens a link itself with FILE_OPEN_REPARSE_POINT; Wine opens its
    // target, which the final path gives away.
    HANDLE handle = nullptr;
    opened.status = OpenRelative(m_handle.Get(), name, access, share, disposition, options | FILE_OPEN_REPARSE_POINT, handle);
    if (opened.status < 0)
        return opened;
    opened.handle = Handle(handle);
    opened.inPlace = ReadInfo(handle, opened.info) && !IsLink(opened.info) && IsChild(handle, name);
    // Opened as itself, a placeholder may show its bare stream, not the data its
    // file system filter supplies: read it through a second handle opened the
    // usual way while the first keeps the name, and only if both are one file.
    const DWORD kPlaceholder = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (opened.inPlace && (access & FILE_READ_DATA) && (opened.info.attributes & kPlaceholder) == FILE_ATTRIBUTE_REPARSE_POINT) {
        HANDLE data = nullptr;
        opened.inPlace = OpenRelative(m_handle.Get(), name, access, share, FILE_OPEN, options, data) >= 0 && SameFile(handle, data);
        opened.handle = Handle(data);
    }
    return opened;
}

bool Folder::IsChild(HANDLE handle, const std::wstring& name) const
{
    for (size_t form = 0; form < m_paths.size(); ++form) {
        if (m_paths[form].empty())
            continue;
        const std::wstring path = FinalPath(handle, kPathForms[form]);
        if (!path.empty())
            return SamePath(path, Join(m_paths[form], name));
    }
    return false;
}

// A file, a link, or a folder elsewhere has the name; so has a dangling link,
// which cannot be opened or made. A folder that merely cannot be opened has not.
Folder Folder::Checked(Opened opened, bool& taken) const
{
    const DWORD error = opened.Error();
    taken = opened.handle ? !(opened.inPlace && IsFolder(opened)) : error == ERROR_DIRECTORY || error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    return taken || !opened.handle ? Folder() : Named(std::move(opened.handle));
}

Folder Folder::Child(const std::wstring& name, bool& taken) const
{
    return Checked(Open(name, kFolderAccess, kFolderShare, FILE_OPEN, FILE_DIRECTORY_FILE), taken);
}

Folder Folder::MakeChild(const std::wstring& name, bool& taken) const
{
    return Checked(Open(name, kFolderAccess, kFolderShare, FILE_OPEN_IF, FILE_DIRECTORY_FILE), taken);
}

// Not in MinGW's headers.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS,
    BOOLEAN, PUNICODE_STRING, BOOLEAN);

// The class FindFirstFile asks for, which every redirector serves; some refuse
// the classes with file ids (a redirected RDP drive, older SMB servers, VM
// shared folders). At most 64 KiB a call, as older SMB servers take.
bool Folder::List(std::vector<Entry>& entries) const
{
    entries.clear();
    const NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006), kNoSuchFile = static_cast<NTSTATUS>(0xC000000F);
    const size_t kMostEntries = 1 << 20;  // a folder that grows while listed, or a server that repeats itself
    std::vector<LONGLONG> buffer((64 << 10) / sizeof(LONGLONG));  // the entries' alignment
    const ULONG bytes = static_cast<ULONG>(buffer.size() * sizeof(LONGLONG));
    NTSTATUS status = 0;
    for (BOOLEAN restart = TRUE; m_handle; restart = FALSE) {
        IO_STATUS_BLOCK io = {};
        status = NtQueryDirectoryFile(m_handle.Get(), nullptr, nullptr, nullptr, &io, buffer.data(), bytes, FileBothDirectoryInformation, FALSE, nullptr, restart);
        if (restart && status == kNoSuchFile)  // empty, not even "." and "..", as some servers list
            return true;
        if (status < 0 || io.Information == 0)
            break;
        // Each entry within what the server said it sent, and aligned as it must be.
        const BYTE *at = reinterpret_cast<const BYTE*>(buffer.data()), *end = at + std::min<ULONG_PTR>(io.Information, bytes);
        for (const FILE_BOTH_DIR_INFORMATION* entry;; at += entry->NextEntryOffset) {
            entry = reinterpret_cast<const FILE_BOTH_DIR_INFORMATION*>(at);
            const size_t left = static_cast<size_t>(end - at), head = offsetof(FILE_BOTH_DIR_INFORMATION, FileName);
            if (left < head || left - head < entry->FileNameLength || entry->NextEntryOffset % 8 || entry->NextEntryOffset > left ||
                entries.size() >= kMostEntries)
                return false;
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                entries.push_back({std::move(name), entry->FileAttributes});
            if (!entry->NextEntryOffset)
                break;
        }
    }
    return status == kNoMoreFiles;  // only the end of the list ends it
}

NTSTATUS RenameInto(HANDLE file, const Folder& folder, const std::wstring& name, bool replace)
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
    return status;
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
