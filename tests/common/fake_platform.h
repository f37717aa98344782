// An in-memory stand-in for the Win32 services: a small file system with
// drives and shares, and a registry, behaving as the installer relies on.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "../../engine/platform.h"

class FakePlatform : public Platform {
public:
    struct Node {
        std::string name;  // as created, case kept
        bool folder = false;
        uint32_t attributes = 0;
        std::string content;
        bool locked = false;     // held open by another process, no sharing
        bool denyWrite = false;  // folder whose ACL refuses new entries
    };

    FakePlatform();

    // Set-up.
    void MakeDir(const std::string& path, bool denyWrite = false);
    void WriteFile(const std::string& path, const std::string& content, uint32_t attributes = 0);
    void SetValue(const std::string& subkey, const std::string& name, uint32_t type, const std::string& data);
    void MakeKey(const std::string& subkey);
    Node* Find(const std::string& path);

    std::string programPath = "D:\\Setup\\inst.exe";
    bool programPathFails = false;
    size_t diskFree = SIZE_MAX;  // bytes copies may still add
    std::vector<std::string> messages;

    // Platform.
    bool ProgramPath(std::string& path) override;
    std::unique_ptr<RegKey> OpenMachineKey(const std::string& subkey) override;
    std::unique_ptr<FileSearch> FindFirst(const std::string& pattern, FindEntry& first) override;
    bool MakeFolder(const std::string& path) override;
    bool CopyOneFile(const std::string& source, const std::string& target) override;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

private:
    bool Normalize(const std::string& path, std::string& key, std::string& name) const;
    bool CanCreateIn(const std::string& key);

    std::map<std::string, Node> m_nodes;  // by lower-case full path
    std::set<std::string> m_roots;        // drives and shares
    std::map<std::string, std::map<std::string, RegValue>> m_keys;
};
