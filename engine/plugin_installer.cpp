#include "engine/plugin_installer.h"

#include <algorithm>
#include <cwchar>
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

// A medium's file name that may be joined to a folder: spelled exactly by the
// code page (U+FF3C would reach the file system as '\'), one plain name, and
// not a link that leads elsewhere.
static bool IsPlainName(const FileFind& entry, std::string& name)
{
    const std::wstring wide = entry.Name();
    const DWORD tag = entry.ReparseTag();
    return ToAnsiExactly(wide, name) && wide != L"." && wide != L".." &&
           std::none_of(wide.begin(), wide.end(), [](wchar_t c) { return c < 0x20 || wcschr(L"\\/:*?\"<>|", c); }) &&
           tag != IO_REPARSE_TAG_SYMLINK && tag != IO_REPARSE_TAG_MOUNT_POINT;
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
    {
        FileFind find(source + "*.*");
        if (find.Found()) {
            do {
                if (find.IsFolder())
                    continue;
                ++files;
                std::string plugin;
                if (!IsPlainName(find, plugin) || !InstallFile(source + plugin, m_strPluginFolder, plugin))
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
