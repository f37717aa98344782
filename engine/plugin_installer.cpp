#include "engine/plugin_installer.h"

#include <vector>

#include "dlg/app.h"
#include "engine/file_installer.h"
#include "engine/messages.h"
#include "engine/platform.h"
#include "engine/paths.h"

static const char kPhotoshopKey[] = "SOFTWARE\\Adobe\\Photoshop\\";
static const char kPluginPathValue[] = "PlugInPath";
static const DWORD kPluginPathBuffer = 260;
static const char kFilters[] = "Filters";
static const char kVendorFolder[] = "Morvask software";
static const char kSourceFolder[] = "photoshopplugins";

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
    // PlugInPath is the administrator's, links and all; below it, Filters and
    // the vendor folder must stand where they are named.
    const Folder plugins = Folder::AtPath(ToWide(m_strPluginFolder + "\\"));
    m_strPluginFolder += std::string("\\") + kFilters + "\\" + kVendorFolder;

    // A file or a link under the vendor folder's name counts as the folder: every
    // copy into it then fails and is named. Anything else that stops it being
    // there is this folder's failure.
    bool taken = false;
    const Folder filters = plugins.Child(ToWide(kFilters), taken);
    m_vendor = filters ? filters.MakeChild(ToWide(kVendorFolder), taken) : Folder();
    if (m_vendor || (filters && taken))
        return TRUE;
    AfxMessageBox(kMsgCreateFolderFailed);
    return FALSE;
}

// A medium's file that may be joined to a folder by its name: one plain name,
// spelled exactly by the code page (U+FF3C would reach the file system as '\').
static bool IsPlainName(const std::wstring& name)
{
    std::string ansi;
    return IsPlainFileName(name) && ToAnsiExactly(name, ansi);
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
    // Below the program's folder's parent, photoshopplugins must stand where it is named.
    bool taken = false;
    const Folder source = Folder::AtPath(ToWide(base + "\\")).Child(ToWide(kSourceFolder), taken);

    // The whole listing before any copy: a medium that cannot be read to its
    // end has no plug-ins, rather than some.
    std::vector<Entry> entries;
    if (!source.List(entries))
        entries.clear();
    FileInstaller installer(source, m_vendor);
    installer.RemoveLeftoverCopies();
    std::vector<std::string> failed;
    size_t files = 0;
    bool held = false;
    for (const Entry& entry : entries) {
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        ++files;
        const auto outcome = IsPlainName(entry.name) ? installer.Install(entry.name) : FileInstaller::Outcome::Failed;
        if (outcome != FileInstaller::Outcome::Installed)
            failed.push_back(ToAnsiShown(entry.name));
        held = held || outcome == FileInstaller::Outcome::Held;
    }
    // A folder with nothing to install is no installation either.
    if (files == 0) {
        AfxMessageBox(kMsgPluginsNotFound);
        return FALSE;
    }
    // Silence means "installed", so a file left behind must be named.
    if (!failed.empty())
        AfxMessageBox(CopyFailureReport(failed, held));
    return TRUE;
}
