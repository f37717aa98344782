// Copies files of one held folder into another, each ending as its old
// version whole or its new one whole, never cut.
#pragma once

#include <string>
#include <vector>

#include "engine/folder.h"

class FileInstaller {
public:
    FileInstaller(const Folder& source, const Folder& target) : m_source(source), m_target(target) {}

    // Failed: not installed, the target stays as it was. Held: not installed,
    // the target is in use (a loaded one that could be neither put back nor
    // replaced waits aside, for the next run to put back).
    enum class Outcome { Installed, Failed, Held };

    // Deletes the temporary copies a killed run left in the target folder, and
    // the plug-ins moved aside; puts such a plug-in back where its name is free.
    void RemoveLeftoverCopies() const;
    // Installs the source's file of this name over its namesake in the
    // target. Refuses what Windows' own copy refuses (read-only, hidden and
    // system targets), a folder as target, and any source that is a link. A
    // target loaded by a program is moved aside, no other; one held open without delete
    // sharing is waited for a moment, one moment for the whole run.
    Outcome Install(const std::wstring& name);

private:
    bool TargetRefused(const std::wstring& name) const;
    Opened CreateCopy() const;
    bool Copy(HANDLE from, HANDLE to);
    Outcome Replace(HANDLE copy, const std::wstring& name);
    Outcome SwapAside(HANDLE copy, HANDLE old, const std::wstring& name);

    const Folder& m_source;
    const Folder& m_target;
    std::vector<char> m_buffer;
    bool m_anyHeld = false;
    DWORD m_firstHeld = 0;  // when the first held target was met
};
