// The work of one installation: find the plug-in folder of the Photoshop
// version named in m_strVersion, then copy the medium's plug-ins into it.
#pragma once

#include <string>
#include <vector>

#include "platform.h"

typedef int BOOL;  // same as <windows.h>
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// A PlugInPath text must fit a 260-byte buffer with its terminator.
constexpr size_t kMaxPluginPathText = 259;
// Failed copies named one by one in the report; the rest are counted.
constexpr size_t kMaxNamedFailures = 10;

class PluginInstaller {
public:
    explicit PluginInstaller(Platform& platform);

    // Makes sure <PlugInPath>\Filters\Morvask software exists; reports failures.
    BOOL LocatePluginFolder();
    // Copies every plain file of ..\photoshopplugins into m_strPluginFolder.
    BOOL CopyPlugins();

    std::string m_strPluginFolder;
    std::string m_strVersion = "5.0";

protected:
    Platform& m_platform;

private:
    bool ReadPluginPath(std::string& path);
    bool Exists(const std::string& path);
};

// The message naming the plug-ins that could not be copied.
std::string CopyFailureReport(const std::vector<std::string>& names);
