#include "engine/file_installer.h"

#include <cwchar>

static const wchar_t kTempPrefix[] = L"~tandrel";
static const wchar_t kTempSuffix[] = L".tmp";

// "~tandrel<digits>.tmp": the only names RemoveLeftoverCopies may delete.
static bool IsTempName(const std::wstring& name)
{
    const size_t prefix = wcslen(kTempPrefix), suffix = wcslen(kTempSuffix);
    return name.size() > prefix + suffix && _wcsnicmp(name.c_str(), kTempPrefix, prefix) == 0 &&
           _wcsicmp(name.c_str() + name.size() - suffix, kTempSuffix) == 0 &&
           name.find_first_not_of(L"0123456789", prefix) == name.size() - suffix;
}

// Scanners and backup agents open a new file for a moment: a target held so is
// tried again until this long after the first held one, then given up. The
// image editor holds every plug-in it loaded until it closes, so each further
// held one gets a single try: the dialog answers nothing meanwhile.
static const DWORD kHeldForMs = 2000;
static const DWORD kHeldPauseMs = 50;

// What a copy takes of its source's attributes. Everything on a disc reads as
// read-only: a plug-in installed from one must stay replaceable by the next.
static const DWORD kCarried = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

static const DWORD kBlockSize = 64 << 10;  // as Wine's CopyFile

void FileInstaller::RemoveLeftoverCopies() const
{
    for (const Entry& entry : m_target.List()) {
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsTempName(entry.name))
            continue;
        // Only a file of the folder's own: never what a link leads to, nor data
        // that goes by another name too.
        Opened copy = m_target.Open(entry.name, DELETE | FILE_WRITE_ATTRIBUTES, 0, FILE_OPEN, FILE_NON_DIRECTORY_FILE);
        if (copy.inPlace && copy.info.links == 1 && SetBasics(copy.handle.Get(), FILE_ATTRIBUTE_NORMAL, LARGE_INTEGER()))
            DeleteOnClose(copy.handle.Get());
    }
}

FileInstaller::Outcome FileInstaller::Install(const std::wstring& name)
{
    // A plug-in that is a link, or one of several names of its data, may lead
    // the read to a file the user could not read.
    Opened source = m_source.Open(name, GENERIC_READ, FILE_SHARE_READ, FILE_OPEN, FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY);
    if (!source.inPlace || source.info.links != 1 || TargetRefused(name))
        return Outcome::Failed;

    // Copied beside the target under a name of our own, then renamed over it
    // in one step: a full disk or a killed process never leaves a cut plug-in.
    Opened copy = CreateCopy();
    if (!copy.handle)
        return Outcome::Failed;
    const DWORD kept = source.info.attributes & kCarried;
    Outcome outcome = Outcome::Failed;
    if (Copy(source.handle.Get(), copy.handle.Get()) &&
        SetBasics(copy.handle.Get(), kept ? kept : FILE_ATTRIBUTE_NORMAL, source.info.lastWrite))
        outcome = Replace(copy.handle.Get(), name);
    if (outcome != Outcome::Installed)
        DeleteOnClose(copy.handle.Get());
    return outcome;
}

// Windows' own copy refuses these targets, and a folder is no plug-in to
// replace (nor one in use). A link of the name is none of ours: it is
// replaced as a name, and what it leads to is not looked at.
bool FileInstaller::TargetRefused(const std::wstring& name) const
{
    const DWORD refused = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    const Opened target = m_target.Open(name, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN, 0);
    return target.inPlace && (target.info.attributes & refused);
}

// A new file of a name nothing has, so that no link of that name leads elsewhere.
Opened FileInstaller::CreateCopy() const
{
    for (unsigned n = 1; n <= 1000; ++n) {
        Opened copy = m_target.Open(kTempPrefix + std::to_wstring(n) + kTempSuffix, FILE_GENERIC_WRITE | DELETE, 0, FILE_CREATE,
                                    FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY);
        if (copy.inPlace)
            return copy;
        if (copy.handle || (copy.error != ERROR_ALREADY_EXISTS && copy.error != ERROR_FILE_EXISTS))
            break;
    }
    return Opened();
}

bool FileInstaller::Copy(HANDLE from, HANDLE to)
{
    m_buffer.resize(kBlockSize);
    for (DWORD read = 0, written = 0;;) {
        if (!ReadFile(from, m_buffer.data(), kBlockSize, &read, nullptr))
            return false;
        if (read == 0)
            return true;
        if (!WriteFile(to, m_buffer.data(), read, &written, nullptr) || written != read)
            return false;
    }
}

FileInstaller::Outcome FileInstaller::Replace(HANDLE copy, const std::wstring& name)
{
    for (;; Sleep(kHeldPauseMs)) {
        if (RenameInto(copy, m_target, name, true))
            return Outcome::Installed;
        // Held: a sharing or lock violation on Windows, access denied under Wine.
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION && error != ERROR_ACCESS_DENIED)
            return Outcome::Failed;
        const DWORD now = GetTickCount();
        if (!m_anyHeld) {
            m_anyHeld = true;
            m_firstHeld = now;
        }
        if (now - m_firstHeld >= kHeldForMs)
            return Outcome::Held;
    }
}
