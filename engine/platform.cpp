#include "engine/platform.h"

#include <cstring>
#include <vector>

LeadBytes AnsiLeadBytes()
{
    CPINFO info = {};
    if (!GetCPInfo(CP_ACP, &info))
        return LeadBytes();
    return LeadBytes(info.LeadByte, MAX_LEADBYTES);
}

static std::wstring ToWide(const std::string& ansi)
{
    int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], size);
    return wide;
}

static std::string ToAnsi(const std::wstring& wide, DWORD flags)
{
    int size = WideCharToMultiByte(CP_ACP, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (size == 0 && flags) {  // UTF-8 as the ANSI code page takes no flags
        flags = 0;
        size = WideCharToMultiByte(CP_ACP, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    }
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), static_cast<int>(wide.size()), &ansi[0], size, nullptr, nullptr);
    return ansi;
}

bool ToAnsiExactly(const std::wstring& wide, std::string& ansi)
{
    // The way back tells: a best fit or a default character never returns the original.
    std::string converted = ToAnsi(wide, 0);
    if (ToWide(converted) != wide)
        return false;
    ansi = converted;
    return true;
}

std::string ToAnsiShown(const std::wstring& wide) { return ToAnsi(wide, WC_NO_BEST_FIT_CHARS); }

std::string ExactProgramPath()
{
    const DWORD longest = 32768;  // no Windows path is longer
    std::wstring path(longest, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, &path[0], longest);
    path.resize(length < longest ? length : 0);
    std::string ansi;
    return ToAnsiExactly(path, ansi) ? ansi : std::string();
}

RegKey::RegKey(HKEY root, const std::string& subkey)
{
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &m_key) != ERROR_SUCCESS)
        m_key = nullptr;
}

RegKey::~RegKey()
{
    if (m_key)
        RegCloseKey(m_key);
}

bool RegKey::QueryString(const char* name, DWORD size, std::string& text) const
{
    // Read as stored: the ANSI read would hand on a best-fitted or '?' path.
    // No character takes less than a byte, so size characters hold any value
    // that can fit size bytes.
    std::vector<wchar_t> buffer(size, L'\0');
    DWORD bytes = size * sizeof(wchar_t), type = 0;
    if (!m_key || RegQueryValueExW(m_key, ToWide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
        return false;  // missing, unreadable, or longer than the buffer
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    // The stored text need not carry its terminator, but must leave room for one.
    std::string ansi;
    const size_t length = wcsnlen(buffer.data(), bytes / sizeof(wchar_t));
    if (!ToAnsiExactly(std::wstring(buffer.data(), length), ansi) || ansi.size() >= size)
        return false;
    text = ansi;
    return true;
}

FileFind::FileFind(const std::string& pattern) : m_data(), m_find(FindFirstFileW(ToWide(pattern).c_str(), &m_data)) {}

FileFind::~FileFind()
{
    if (Found())
        FindClose(m_find);
}

static const char kTempPrefix[] = "~tandrel";
static const char kTempSuffix[] = ".tmp";

// "~tandrel<digits>.tmp": the only names RemoveLeftoverCopies may delete.
static bool IsTempName(const std::string& name)
{
    const size_t prefix = strlen(kTempPrefix), suffix = strlen(kTempSuffix);
    return name.size() > prefix + suffix && _strnicmp(name.c_str(), kTempPrefix, prefix) == 0 &&
           _stricmp(name.c_str() + name.size() - suffix, kTempSuffix) == 0 &&
           name.find_first_not_of("0123456789", prefix) == name.size() - suffix;
}

// Scanners and backup agents open a new file for a moment: a target held so is
// tried again for this long before its plug-in is given up.
static const DWORD kHeldForMs = 2000;
static const DWORD kHeldPauseMs = 50;

static void Discard(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a copy carries a read-only source's attribute
    DeleteFileA(path.c_str());
}

bool InstallFile(const std::string& source, const std::string& folder, const std::string& name)
{
    // Windows' CopyFile refuses these; Wine (and a process with backup rights) may not.
    const std::string target = folder + "\\" + name;
    DWORD existing = GetFileAttributesA(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        return false;

    // Copied beside the target under a name of our own, then renamed over it
    // in one step: a full disk or a killed process never leaves a cut plug-in.
    // The copy goes to a new name so that it takes the source's attributes.
    std::string temp;
    for (unsigned n = 1;; ++n) {
        temp = folder + "\\" + kTempPrefix + std::to_string(n) + kTempSuffix;
        if (CopyFileA(source.c_str(), temp.c_str(), TRUE))
            break;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            Discard(temp);  // Wine leaves what a failed copy wrote
            return false;
        }
        if (n == 1000)
            return false;
    }
    // Everything on a disc reads as read-only, and the copy carries that: a
    // plug-in installed from one must stay replaceable by the next version.
    const DWORD attributes = GetFileAttributesA(temp.c_str()), kept = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes != kept && !SetFileAttributesA(temp.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL))) {
        Discard(temp);
        return false;
    }

    // Held: a sharing or lock violation on Windows, access denied under Wine.
    for (const DWORD start = GetTickCount();; Sleep(kHeldPauseMs)) {
        if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        const DWORD error = GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (!held || GetTickCount() - start >= kHeldForMs)
            break;
    }
    Discard(temp);
    return false;
}

void RemoveLeftoverCopies(const std::string& folder)
{
    FileFind find(folder + "\\" + kTempPrefix + "*" + kTempSuffix);
    if (!find.Found())
        return;
    do {
        std::string name;
        if (!find.IsFolder() && ToAnsiExactly(find.Name(), name) && IsTempName(name))
            Discard(folder + "\\" + name);
    } while (find.Next());
}
