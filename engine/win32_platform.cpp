#include "win32_platform.h"

#include <vector>

#include "split_path.h"

namespace {

class Win32RegKey : public RegKey {
public:
    explicit Win32RegKey(HKEY key) : m_key(key) {}
    ~Win32RegKey() override { RegCloseKey(m_key); }
    Win32RegKey(const Win32RegKey&) = delete;
    Win32RegKey& operator=(const Win32RegKey&) = delete;

    bool QueryValue(const std::string& name, RegValue& value) override
    {
        // The usual case fits a path buffer; a larger value is read whole so
        // the caller can judge it, never cut.
        std::vector<BYTE> buffer(MAX_PATH);
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0;
            DWORD size = static_cast<DWORD>(buffer.size());
            LONG status = RegQueryValueExA(m_key, name.c_str(), nullptr, &type, buffer.data(), &size);
            if (status == ERROR_MORE_DATA) {
                buffer.resize(size);
                continue;
            }
            if (status != ERROR_SUCCESS)
                return false;
            value.type = type;
            value.data.assign(reinterpret_cast<const char*>(buffer.data()), size);
            return true;
        }
        return false;
    }

private:
    HKEY m_key;
};

void ToEntry(const WIN32_FIND_DATAA& data, FindEntry& entry)
{
    entry.attributes = data.dwFileAttributes;
    entry.name = data.cFileName;
}

class Win32FileSearch : public FileSearch {
public:
    explicit Win32FileSearch(HANDLE find) : m_find(find) {}
    ~Win32FileSearch() override { FindClose(m_find); }
    Win32FileSearch(const Win32FileSearch&) = delete;
    Win32FileSearch& operator=(const Win32FileSearch&) = delete;

    bool Next(FindEntry& entry) override
    {
        WIN32_FIND_DATAA data;
        if (!FindNextFileA(m_find, &data))
            return false;
        ToEntry(data, entry);
        return true;
    }

private:
    HANDLE m_find;
};

const DWORD kShortPathBuffer = 1024;
const DWORD kLongestPath = 32768;

}  // namespace

bool Win32Platform::ProgramPath(std::string& path)
{
    for (DWORD size = kShortPathBuffer; size <= kLongestPath; size *= 2) {
        std::vector<char> buffer(size);
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0)
            return false;
        if (length < size) {
            path.assign(buffer.data(), length);
            return true;
        }
    }
    return false;
}

std::unique_ptr<RegKey> Win32Platform::OpenMachineKey(const std::string& subkey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32RegKey>(key);
}

std::unique_ptr<FileSearch> Win32Platform::FindFirst(const std::string& pattern, FindEntry& first)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return nullptr;
    ToEntry(data, first);
    return std::make_unique<Win32FileSearch>(find);
}

bool Win32Platform::MakeFolder(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32Platform::CopyOneFile(const std::string& source, const std::string& target)
{
    // Windows refuses to replace a read-only or hidden file; Wine (and any
    // process with backup rights) may not, so hold to that rule here.
    DWORD existing = GetFileAttributesA(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))
        return false;
    return CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE;
}

void Win32Platform::ShowMessage(const std::string& text)
{
    HWND owner = m_owner ? m_owner() : nullptr;
    MessageBoxA(owner, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

std::string ApplicationTitle()
{
    std::string path, title, ext;
    if (!Win32Platform().ProgramPath(path))
        return std::string();
    std::string folder;
    SplitPath(path, folder, title, ext);
    return title;
}
