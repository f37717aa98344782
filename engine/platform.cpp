#include "engine/platform.h"

#include <vector>

LeadBytes AnsiLeadBytes()
{
    CPINFO info = {};
    if (!GetCPInfo(CP_ACP, &info))
        return LeadBytes();
    return LeadBytes(info.LeadByte, MAX_LEADBYTES);
}

std::wstring ToWide(const std::string& ansi)
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
