// The work of one installation: find the plug-in folder of the Photoshop
// version named in m_strVersion, then copy the medium's plug-ins into it.
#pragma once

#include <windows.h>

#include <string>

#include "engine/folder.h"

class PluginInstaller {
public:
    // Makes sure <PlugInPath>\Filters\Morvask software exists; reports failures.
    BOOL LocatePluginFolder();
    // Copies every plain file of ..\photoshopplugins into m_strPluginFolder.
    BOOL CopyPlugins();

    std::string m_strPluginFolder;
    std::string m_strVersion = "5.0";

private:
    // The vendor folder, held from its check to the end of the copy; empty
    // when its name is taken by something else (the copies then fail).
    Folder m_vendor;
};
