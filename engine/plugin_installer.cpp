#include "engine/plugin_installer.h"

#include <vector>

#include "dlg/app.h"
#include "engine/messages.h"
#include "engine/platform.h"
#include "engine/paths.h"

static const char kPhotoshopKey[] = "SOFTWARE\\Adobe\\Photoshop\\";
static const char kPluginPathValue[] = "PlugInPath";
static const DWORD kPluginPathBuffer = 260;
static const char kVendorSuffix[] = "\\Filters\\Morvask software";
static const char kSourceFolder[] = "\\photoshopplugins";

BOOL PluginInstaller::LocatePluginFolder()
{
    // Only a string that fits the buffer, spelled exactly by the code page,
    // names a folder; anything else is as good as no Photoshop at all.
    std::string path;
    if (!RegKey(HKEY_LOCAL_MACHINE, kPhotoshopKey + m_strVersion).QueryString(kPluginPathValue, kPluginPathBuffer, path)) {
        AfxMessageBox(kMsgVersionNotFound);
        return FALSE;
    }
    m_strPluginFolder = path;
    StripTrailingBackslashes(m_strPluginFolder, AnsiLeadBytes());
    m_strPluginFolder += kVendorSuffix;

    if (FileFind(m_strPluginFolder).Found() || CreateDirectoryA(m_strPluginFolder.c_str(), nullptr))
        return TRUE;
    AfxMessageBox(kMsgCreateFolderFailed);
    return FALSE;
}

// A medium's file that may be joined to a folder by its name: one plain name,
// spelled exactly by the code page (U+FF3C would reach the file system as '\'),
// and not a link that leads elsewhere.
static bool IsPlainFile(const FileFind& entry, std::string& name)
{
    return !entry.IsLink() && IsPlainFileName(entry.Name()) && ToAnsiExactly(entry.Name(), name);
}

BOOL PluginInstaller::CopyPlugins()
{
    // Exactly as the code page spells it, or the folders found from it are others.
    std::string base = ExactProgramPath(), name, ext;
    if (base.empty()) {
        AfxMessageBox(kMsgPluginsNotFound);  // rather than guess a folder
        return FALSE;
    }
    const LeadBytes lead = AnsiLeadBytes();
    SplitPath(base, base, name, ext, lead);  // the program's folder
    SplitPath(base, base, name, ext, lead);  // and its parent
    const std::string source = base + kSourceFolder;

    RemoveLeftoverCopies(m_strPluginFolder);
    std::vector<std::string> failed;
    size_t files = 0;
    if (!FileFind(source).IsLink()) {  // a link to elsewhere is no plug-in folder
        FileFind find(source + "\\*.*");
        if (find.Found()) {
            do {
                if (find.IsFolder())
                    continue;
                ++files;
                std::string plugin;
                if (!IsPlainFile(find, plugin) || !InstallFile(source + "\\" + plugin, m_strPluginFolder, plugin))
                    failed.push_back(ToAnsiShown(find.Name()));
            } while (find.Next());
        }
    }
    // A folder with nothing to install is no installation either.
    if (files == 0) {
        AfxMessageBox(kMsgPluginsNotFound);
        return FALSE;
    }
    // Silence means "installed", so a file left behind must be named.
    if (!failed.empty())
        AfxMessageBox(CopyFailureReport(failed));
    return TRUE;
}
