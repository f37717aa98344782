#include "engine/file_installer.h"

#include <algorithm>
#include <cwchar>

#include "engine/paths.h"

static const wchar_t kTempPrefix[] = L"~tandrel";
static const wchar_t kTempSuffix[] = L".tmp";

// "~tandrel<n>.tmp", a copy, or "~tandrel<n>.<plug-in>.tmp", a plug-in moved
// aside: the only names RemoveLeftoverCopies may touch. plugin: the aside's
// plug-in name, empty for a copy.
static bool IsTempName(const std::wstring& name, std::wstring& plugin)
{
    const size_t prefix = wcslen(kTempPrefix), suffix = wcslen(kTempSuffix);
    if (name.size() <= prefix + suffix || _wcsnicmp(name.c_str(), kTempPrefix, prefix) != 0 ||
        _wcsicmp(name.c_str() + name.size() - suffix, kTempSuffix) != 0)
        return false;
    const size_t end = name.size() - suffix, digits = std::min(name.find_first_not_of(L"0123456789", prefix), end);
    const size_t from = std::min(digits + 1, end);
    plugin = name.substr(from, end - from);
    return digits == end || (digits > prefix && name[digits] == L'.' && IsPlainFileName(plugin));
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

// "~tandrel<n>.tmp", or with a plug-in's name "~tandrel<n>.<plug-in>.tmp",
// without the C++ library's formatting, which costs the program kilobytes.
static std::wstring TempName(unsigned n, const std::wstring& plugin = std::wstring())
{
    std::wstring digits;
    do
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + n % 10));
    while (n /= 10);
    return kTempPrefix + digits + (plugin.empty() ? L"" : L"." + plugin) + kTempSuffix;
}

// A temporary name in use, or still being deleted (a scanner holds the last
// run's copy). Not any access denied: a folder guarded against this program
// would be tried a thousand times.
static const NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035), kDeletePending = static_cast<NTSTATUS>(0xC0000056);
static bool NameInUse(NTSTATUS status) { return status == kNameCollision || status == kDeletePending; }
static const unsigned kTempNames = 1000;
static const size_t kLongestName = 255;  // of one name in a folder
static const ULONG kAnyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Renames file to the first free temporary name in folder; plugin: the name
// kept in it, for a later run to put the file back under.
static NTSTATUS MoveAside(const Folder& folder, HANDLE file, const std::wstring& plugin)
{
    NTSTATUS status = -1;
    for (unsigned n = 1; n <= kTempNames; ++n)
        if ((status = RenameInto(file, folder, TempName(n, plugin), false)) >= 0 || !NameInUse(status))
            break;
    return status;
}

// Windows refuses a writer to a file mapped as a program image (a loaded
// plug-in) with a sharing violation. Asked through the handle, so of the same file.
static bool Loaded(HANDLE file)
{
    const Handle writer(ReOpenFile(file, FILE_WRITE_DATA, kAnyShare, FILE_FLAG_OPEN_REPARSE_POINT));
    return !writer && GetLastError() == ERROR_SHARING_VIOLATION;
}

void FileInstaller::RemoveLeftoverCopies() const
{
    std::vector<Entry> entries;
    m_target.List(entries);  // what it could list; the rest waits for the next run
    std::wstring plugin;
    for (const Entry& entry : entries) {
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsTempName(entry.name, plugin))
            continue;
        // Only a file of the folder's own: never what a link leads to, nor data
        // that goes by another name too. One the image editor still maps
        // cannot be deleted, and waits for a later run.
        Opened plugged;  // closed after the aside, whose deletion its holding covers
        Opened copy = m_target.Open(entry.name, DELETE | FILE_WRITE_ATTRIBUTES, 0, FILE_OPEN, FILE_NON_DIRECTORY_FILE);
        if (!copy.inPlace || copy.info.links != 1)
            continue;
        // A plug-in moved aside by a run that could put neither it nor the new
        // one under its name goes back. Only a plug-in of the folder's own under
        // the name again, held from deletion until the aside goes, lets it go;
        // anything else there, or a refusal, keeps it.
        if (!plugin.empty() && (RenameInto(copy.handle.Get(), m_target, plugin, false) != kNameCollision ||
                                   !(plugged = m_target.Open(plugin, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN,
                                         FILE_NON_DIRECTORY_FILE)).inPlace))
            continue;
        if (SetBasics(copy.handle.Get(), FILE_ATTRIBUTE_NORMAL, LARGE_INTEGER()))
            DeleteOnClose(copy.handle.Get());
    }
}

FileInstaller::Outcome FileInstaller::Install(const std::wstring& name)
{
    // A plug-in that is a link, or one of several names of its data, may lead
    // the read to a file the user could not read.
    Opened source = m_source.Open(name, FILE_GENERIC_READ, FILE_SHARE_READ, FILE_OPEN, FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY);
    if (!source.inPlace || source.info.links != 1 || TargetRefused(name))
        return Outcome::Failed;

    // Copied beside the target under a name of our own, then renamed over it
    // in one step: a full disk or a killed process never leaves a cut plug-in.
    Opened copy = CreateCopy();
    if (!copy.handle)
        return Outcome::Failed;
    const DWORD kept = source.info.attributes & kCarried;
    const DWORD attributes = kept ? kept : FILE_ATTRIBUTE_NORMAL;
    Outcome outcome = Outcome::Failed;
    // A FAT drive holds no time before 1980: the copy then keeps its own.
    if (Copy(source.handle.Get(), copy.handle.Get()) &&
        (SetBasics(copy.handle.Get(), attributes, source.info.lastWrite) || SetBasics(copy.handle.Get(), attributes, LARGE_INTEGER())))
        outcome = Replace(copy.handle.Get(), name);
    if (outcome != Outcome::Installed)
        DeleteOnClose(copy.handle.Get());
    return outcome;
}

// Windows' own copy refuses these targets. A link is none of ours: it is
// replaced as a name, and what it leads to is not looked at. A folder, or a
// link to one, is never replaced, and is named when the rename fails.
bool FileInstaller::TargetRefused(const std::wstring& name) const
{
    const Opened target = m_target.Open(name, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN, 0);
    const DWORD refused = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return target.inPlace && (target.info.attributes & refused);
}

// A new file of a name nothing has, so that no link of that name leads elsewhere.
Opened FileInstaller::CreateCopy() const
{
    for (unsigned n = 1; n <= kTempNames; ++n) {
        Opened copy = m_target.Open(TempName(n), FILE_GENERIC_WRITE | DELETE, 0, FILE_CREATE, FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY);
        if (copy.inPlace)
            return copy;
        if (copy.handle) {  // made, but not where it was asked for: ours, and no use
            DeleteOnClose(copy.handle.Get());
            break;
        }
        if (!NameInUse(copy.status))
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
        if (RenameInto(copy, m_target, name, true) >= 0)
            return Outcome::Installed;
        // The image editor maps every plug-in it loaded, and Windows renames no
        // file over a mapped one; but the mapped file opens for DELETE with all
        // sharing and may itself move aside. No other target is moved.
        Opened target = m_target.Open(name, DELETE, kAnyShare, FILE_OPEN, FILE_NON_DIRECTORY_FILE);
        if (target.inPlace && Loaded(target.handle.Get()))
            return SwapAside(copy, target.handle.Get(), name);
        // Held by another program, for a moment or to its end: open without
        // delete sharing, or open at all (no plain rename replaces an open
        // file); or refused for another reason (security software, a denial
        // that still lets it open for deletion). It stays, and is waited for.
        if (!target.inPlace && target.Error() != ERROR_SHARING_VIOLATION)
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

// The old file goes aside under a temporary name that keeps its own, and is
// deleted once nothing maps it: at once, or by the first run after. Then the
// copy takes its place. If that fails, the old file goes back: the plug-in
// stays old or new, whole. If neither can, the old one waits aside for the next
// run to put back, and the report says it is in use.
FileInstaller::Outcome FileInstaller::SwapAside(HANDLE copy, HANDLE old, const std::wstring& name)
{
    if (TempName(kTempNames, name).size() > kLongestName)  // no name aside would keep its own
        return Outcome::Held;
    if (MoveAside(m_target, old, name) < 0)
        return Outcome::Failed;
    if (RenameInto(copy, m_target, name, false) >= 0) {
        MoveAside(m_target, old, std::wstring());  // no plug-in now for a later run to put back
        DeleteOnClose(old);  // refused while mapped
        return Outcome::Installed;
    }
    if (RenameInto(old, m_target, name, false) >= 0)
        return Outcome::Failed;
    return RenameInto(copy, m_target, name, false) >= 0 ? Outcome::Installed : Outcome::Held;
}
