#include "engine/plugin_installer.h"

#include <vector>

#include "dlg/app.h"
#include "engine/messages.h"
#include "engine/platform.h"
#include "engine/split_path.h"

static const char kPhotoshopKey[] = "SOFTWARE\\Adobe\\Photoshop\\";
static const char kPluginPathValue[] = "PlugInPath";
static const DWORD kPluginPathBuffer = 260;
static const char kVendorSuffix[] = "\\Filters\\Morvask software";
static const char kSourceFolder[] = "\\photoshopplugins\\";

BOOL PluginInstaller::LocatePluginFolder()
{
    // Only a string that fits the buffer names a folder; anything else is as
    // good as no Photoshop at all.
    std::string path;
    if (!RegKey(HKEY_LOCAL_MACHINE, kPhotoshopKey + m_strVersion).QueryString(kPluginPathValue, kPluginPathBuffer, path)) {
        AfxMessageBox(kMsgVersionNotFound);
        return FALSE;
    }
    m_strPluginFolder = path;
    while (!m_strPluginFolder.empty() && m_strPluginFolder.back() == '\\')
        m_strPluginFolder.pop_back();
    m_strPluginFolder += kVendorSuffix;

    if (FileFind(m_strPluginFolder).Found() || CreateDirectoryA(m_strPluginFolder.c_str(), nullptr))
        return TRUE;
    AfxMessageBox(kMsgCreateFolderFailed);
    return FALSE;
}

BOOL PluginInstaller::CopyPlugins()
{
    std::string base = App::ProgramPath(), name, ext;
    if (base.empty()) {
        AfxMessageBox(kMsgPluginsNotFound);  // rather than guess a folder
        return FALSE;
    }
    SplitPath(base, base, name, ext);  // the program's folder
    SplitPath(base, base, name, ext);  // and its parent
    const std::string source = base + kSourceFolder;

    RemoveLeftoverCopies(m_strPluginFolder);
    std::vector<std::string> failed;
    {
        FileFind find(source + "*.*");
        if (!find.Found()) {
            AfxMessageBox(kMsgPluginsNotFound);
            return FALSE;
        }
        do {
            if (!find.IsFolder() && !InstallFile(source + find.Name(), m_strPluginFolder, find.Name()))
                failed.push_back(find.Name());
        } while (find.Next());
    }
    // Silence means "installed", so a file left behind must be named.
    if (!failed.empty())
        AfxMessageBox(CopyFailureReport(failed));
    return TRUE;
}
