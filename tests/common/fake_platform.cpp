#include "fake_platform.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::vector<std::string> Components(const std::string& path, size_t from)
{
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = from; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += path[i];
        }
    }
    return parts;
}

std::string Parent(const std::string& key)
{
    return key.substr(0, key.rfind('\\'));
}

bool ValidName(const std::string& name)
{
    return !name.empty() && name.find_first_of("<>:\"|?*") == std::string::npos;
}

class FakeSearch : public FileSearch {
public:
    explicit FakeSearch(std::vector<FindEntry> entries) : m_entries(std::move(entries)) {}
    bool Next(FindEntry& entry) override
    {
        if (++m_next >= m_entries.size())
            return false;
        entry = m_entries[m_next];
        return true;
    }

private:
    std::vector<FindEntry> m_entries;
    size_t m_next = 0;
};

class FakeKey : public RegKey {
public:
    explicit FakeKey(const std::map<std::string, RegValue>& values) : m_values(values) {}
    bool QueryValue(const std::string& name, RegValue& value) override
    {
        auto it = m_values.find(Lower(name));
        if (it == m_values.end())
            return false;
        value = it->second;
        return true;
    }

private:
    std::map<std::string, RegValue> m_values;
};

}  // namespace

FakePlatform::FakePlatform()
{
    m_roots.insert("c:");
}

// Turns a Windows path into a lower-case key "root\a\b" and its last name.
// A leading '\' is the current drive (C:), a bare name is relative to C:\.
bool FakePlatform::Normalize(const std::string& path, std::string& key, std::string& name) const
{
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    std::string root;
    size_t rest = 0;
    if (p.compare(0, 2, "\\\\") == 0) {
        size_t server = p.find('\\', 2);
        if (server == std::string::npos || server == 2)
            return false;
        rest = std::min(p.find('\\', server + 1), p.size());
        if (rest == server + 1)
            return false;
        root = p.substr(0, rest);
    } else if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        root = p.substr(0, 2);
        rest = 2;
    } else {
        root = "c:";
    }
    std::vector<std::string> parts = Components(p, rest);
    key = Lower(root);
    name = parts.empty() ? std::string() : parts.back();
    for (const std::string& part : parts)
        key += "\\" + Lower(part);
    return m_roots.count(Lower(root)) != 0;
}

FakePlatform::Node* FakePlatform::Find(const std::string& path)
{
    std::string key, name;
    if (!Normalize(path, key, name))
        return nullptr;
    auto it = m_nodes.find(key);
    return it == m_nodes.end() ? nullptr : &it->second;
}

void FakePlatform::MakeDir(const std::string& path, bool denyWrite)
{
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.size() >= 2 && p[1] == ':')
        m_roots.insert(Lower(p.substr(0, 2)));
    else if (p.compare(0, 2, "\\\\") == 0) {
        std::vector<std::string> parts = Components(p, 2);
        if (parts.size() >= 2)
            m_roots.insert(Lower("\\\\" + parts[0] + "\\" + parts[1]));
    }
    std::string key, name;
    if (!Normalize(p, key, name) || m_roots.count(key))
        return;
    MakeDir(p.substr(0, p.find_last_of('\\')));
    Node& node = m_nodes[key];
    node.name = name;
    node.folder = true;
    node.denyWrite = denyWrite;
}

void FakePlatform::WriteFile(const std::string& path, const std::string& content, uint32_t attributes)
{
    std::string key, name;
    MakeDir(path.substr(0, path.find_last_of("\\/")));
    if (!Normalize(path, key, name))
        return;
    Node& node = m_nodes[key];
    node.name = name;
    node.folder = false;
    node.attributes = attributes;
    node.content = content;
}

static std::string RegPath(const std::string& subkey, bool& valid)
{
    std::string s = subkey;
    if (!s.empty() && s.back() == '\\')
        s.pop_back();
    valid = !s.empty() && s.front() != '\\' && s.find("\\\\") == std::string::npos;
    return Lower(s);
}

void FakePlatform::MakeKey(const std::string& subkey)
{
    bool valid;
    std::string key = RegPath(subkey, valid);
    for (size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1))
        m_keys[key.substr(0, at)];
    m_keys[key];
}

void FakePlatform::SetValue(const std::string& subkey, const std::string& name, uint32_t type, const std::string& data)
{
    MakeKey(subkey);
    bool valid;
    m_keys[RegPath(subkey, valid)][Lower(name)] = RegValue{type, data};
}

bool FakePlatform::ProgramPath(std::string& path)
{
    if (programPathFails)
        return false;
    path = programPath;
    return true;
}

std::unique_ptr<RegKey> FakePlatform::OpenMachineKey(const std::string& subkey)
{
    bool valid;
    auto it = m_keys.find(RegPath(subkey, valid));
    if (!valid || it == m_keys.end())
        return nullptr;
    return std::make_unique<FakeKey>(it->second);
}

std::unique_ptr<FileSearch> FakePlatform::FindFirst(const std::string& pattern, FindEntry& first)
{
    std::string key, name;
    if (!Normalize(pattern, key, name))
        return nullptr;
    std::vector<FindEntry> entries;
    if (name == "*.*" || name == "*") {
        std::string folder = Parent(key);
        bool isRoot = m_roots.count(folder) != 0;
        auto it = m_nodes.find(folder);
        if (!isRoot && (it == m_nodes.end() || !it->second.folder))
            return nullptr;
        if (!isRoot) {
            entries.push_back({kAttrDirectory, "."});
            entries.push_back({kAttrDirectory, ".."});
        }
        for (const auto& [k, node] : m_nodes)
            if (Parent(k) == folder)
                entries.push_back({node.attributes | (node.folder ? kAttrDirectory : 0), node.name});
    } else {
        if (name.find_first_of("*?") != std::string::npos)
            return nullptr;
        auto it = m_nodes.find(key);
        if (it == m_nodes.end())
            return nullptr;
        entries.push_back({it->second.attributes | (it->second.folder ? kAttrDirectory : 0), it->second.name});
    }
    if (entries.empty())
        return nullptr;
    first = entries.front();
    return std::make_unique<FakeSearch>(std::move(entries));
}

bool FakePlatform::CanCreateIn(const std::string& key)
{
    std::string folder = Parent(key);
    if (m_roots.count(folder))
        return true;
    auto it = m_nodes.find(folder);
    return it != m_nodes.end() && it->second.folder && !it->second.denyWrite;
}

bool FakePlatform::MakeFolder(const std::string& path)
{
    std::string key, name;
    if (!Normalize(path, key, name) || !ValidName(name) || m_nodes.count(key) || !CanCreateIn(key))
        return false;
    Node& node = m_nodes[key];
    node.name = name;
    node.folder = true;
    return true;
}

bool FakePlatform::CopyOneFile(const std::string& source, const std::string& target)
{
    Node* from = Find(source);
    if (!from || from->folder || from->locked)
        return false;
    std::string key, name;
    if (!Normalize(target, key, name) || !ValidName(name) || !CanCreateIn(key))
        return false;
    auto it = m_nodes.find(key);
    size_t freed = 0;
    if (it != m_nodes.end()) {
        const Node& old = it->second;
        if (old.folder || old.locked || (old.attributes & (kAttrReadOnly | kAttrHidden)))
            return false;
        freed = old.content.size();
    }
    size_t needed = from->content.size() > freed ? from->content.size() - freed : 0;
    if (needed > diskFree)
        return false;
    if (diskFree != SIZE_MAX)
        diskFree -= needed;
    Node copy = *from;
    copy.name = name;
    m_nodes[key] = copy;
    return true;
}
