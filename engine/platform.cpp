#include "engine/platform.h"

#include <cstring>

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
    std::string buffer(size, '\0');
    DWORD type = 0;
    if (!m_key || RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &size) != ERROR_SUCCESS)
        return false;  // missing, unreadable, or longer than the buffer
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    // The stored text need not carry its terminator, but must leave room for one.
    size_t length = strnlen(buffer.data(), size);
    if (length == buffer.size())
        return false;
    text.assign(buffer, 0, length);
    return true;
}

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
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))
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
    if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    Discard(temp);
    return false;
}

void RemoveLeftoverCopies(const std::string& folder)
{
    FileFind find(folder + "\\" + kTempPrefix + "*" + kTempSuffix);
    if (!find.Found())
        return;
    do {
        if (!find.IsFolder() && IsTempName(find.Name()))
            Discard(folder + "\\" + find.Name());
    } while (find.Next());
}
