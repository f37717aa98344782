#include "win_fixtures.h"

#include <gtest/gtest.h>

void MakeDirs(const std::string& path)
{
    size_t cut = path.find_last_of('\\');
    if (cut != std::string::npos && cut > 2)
        MakeDirs(path.substr(0, cut));
    CreateDirectoryA(path.c_str(), nullptr);
}

void WriteWholeFile(const std::string& path, const std::string& content, DWORD attributes)
{
    MakeDirs(path.substr(0, path.find_last_of('\\')));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == content.size()) << path;
    if (attributes)
        SetFileAttributesA(path.c_str(), attributes);
}

bool ReadWholeFile(const std::string& path, std::string& content)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    content.clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return true;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

static std::string NewTempPath()
{
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string path = temp;
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path + "\\tandrel-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

TempFolder::TempFolder() : TempFolder(NewTempPath(), true) {}

TempFolder::TempFolder(const std::string& path, bool create) : m_path(path)
{
    RemoveTree(m_path);
    if (create)
        MakeDirs(m_path);
}

ScratchRegistry::ScratchRegistry(const std::string& root) : m_root(root)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        ADD_FAILURE() << "HKLM\\" << root << " exists already; these tests need a throwaway prefix";
        return;
    }
    m_owned = true;
}

ScratchRegistry::~ScratchRegistry()
{
    if (!m_owned)
        return;
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, m_root.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_root.c_str());
}

void ScratchRegistry::MakeKey(const std::string& subkey)
{
    ASSERT_TRUE(m_owned);
    std::string path = subkey;
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    RegCloseKey(key);
}

void ScratchRegistry::SetValue(const std::string& subkey, const std::string& name, DWORD type, const std::string& data)
{
    MakeKey(subkey);
    std::string path = subkey;
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_WRITE, &key), ERROR_SUCCESS);
    LONG status = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    ASSERT_EQ(status, ERROR_SUCCESS);
}

LockedFile::LockedFile(const std::string& path)
    : m_handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr))
{
    EXPECT_NE(m_handle, INVALID_HANDLE_VALUE) << path;
}

LockedFile::~LockedFile()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
}
