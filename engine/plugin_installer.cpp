#include "plugin_installer.h"

#include <cstdio>

#include "messages.h"
#include "split_path.h"

static const char kPhotoshopKey[] = "SOFTWARE\\Adobe\\Photoshop\\";
static const char kPluginPathValue[] = "PlugInPath";
static const char kVendorSuffix[] = "\\Filters\\Morvask software";
static const char kSourceFolder[] = "\\photoshopplugins\\";

PluginInstaller::PluginInstaller(Platform& platform) : m_platform(platform) {}

// Only a string value whose text fits the 260-byte buffer names a folder;
// anything else is as good as no Photoshop at all.
bool PluginInstaller::ReadPluginPath(std::string& path)
{
    std::unique_ptr<RegKey> key = m_platform.OpenMachineKey(kPhotoshopKey + m_strVersion);
    if (!key)
        return false;
    RegValue value;
    if (!key->QueryValue(kPluginPathValue, value))
        return false;
    if (value.type != kRegSz && value.type != kRegExpandSz)
        return false;
    std::string text = value.data.substr(0, value.data.find('\0'));
    if (text.size() > kMaxPluginPathText)
        return false;
    path = text;
    return true;
}

bool PluginInstaller::Exists(const std::string& path)
{
    FindEntry entry;
    return m_platform.FindFirst(path, entry) != nullptr;
}

BOOL PluginInstaller::LocatePluginFolder()
{
    std::string path;
    if (!ReadPluginPath(path)) {
        m_platform.ShowMessage(kMsgVersionNotFound);
        return FALSE;
    }
    m_strPluginFolder = path;
    while (!m_strPluginFolder.empty() && m_strPluginFolder.back() == '\\')
        m_strPluginFolder.pop_back();
    m_strPluginFolder += kVendorSuffix;

    if (Exists(m_strPluginFolder) || m_platform.MakeFolder(m_strPluginFolder))
        return TRUE;
    m_platform.ShowMessage(kMsgCreateFolderFailed);
    return FALSE;
}

BOOL PluginInstaller::CopyPlugins()
{
    std::string base;
    if (!m_platform.ProgramPath(base)) {
        m_platform.ShowMessage(kMsgPluginsNotFound);
        return FALSE;
    }
    std::string name, ext;
    SplitPath(base, base, name, ext);  // the program's folder
    SplitPath(base, base, name, ext);  // and its parent
    const std::string source = base + kSourceFolder;

    FindEntry entry;
    std::unique_ptr<FileSearch> search = m_platform.FindFirst(source + "*.*", entry);
    if (!search) {
        m_platform.ShowMessage(kMsgPluginsNotFound);
        return FALSE;
    }
    std::vector<std::string> failed;
    do {
        if (entry.attributes & kAttrDirectory)
            continue;
        if (!m_platform.CopyOneFile(source + entry.name, m_strPluginFolder + "\\" + entry.name))
            failed.push_back(entry.name);
    } while (search->Next(entry));
    search.reset();

    // Silence means "installed", so a file left behind must be named.
    if (!failed.empty())
        m_platform.ShowMessage(CopyFailureReport(failed));
    return TRUE;
}

std::string CopyFailureReport(const std::vector<std::string>& names)
{
    std::string text = kMsgCopyFailedHead;
    for (size_t i = 0; i < names.size() && i < kMaxNamedFailures; ++i)
        text += "\n" + names[i];
    if (names.size() > kMaxNamedFailures) {
        char more[64];
        std::snprintf(more, sizeof more, kMsgCopyFailedMore, static_cast<unsigned>(names.size() - kMaxNamedFailures));
        text += "\n";
        text += more;
    }
    return text;
}
