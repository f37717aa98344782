// The scenario world on the real Win32 API: a scratch registry tree, a temp
// folder, and the medium around this test program.
#include <windows.h>

#include <gtest/gtest.h>

#include "../../engine/win32_platform.h"
#include "../common/world.h"
#include "win_fixtures.h"

namespace {

// The real operations, but messages are recorded instead of shown.
class RecordingPlatform : public Win32Platform {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

std::string ProgramMedium()
{
    std::string path;
    Win32Platform().ProgramPath(path);
    path.erase(path.find_last_of('\\'));
    path.erase(path.find_last_of('\\'));
    return path;
}

class RealWorld : public World {
public:
    Platform& platform() override { return m_platform; }
    std::vector<std::string>& messages() override { return m_platform.messages; }
    std::string Root() override { return m_temp.path(); }
    std::string Medium() override { return m_medium; }

    void SetPluginPath(const std::string& version, uint32_t type, const std::string& data) override
    {
        m_registry.SetValue(kPhotoshop + version, "PlugInPath", type, data);
    }
    void MakeVersionKey(const std::string& version) override { m_registry.MakeKey(kPhotoshop + version); }
    void MakeDir(const std::string& path) override { MakeDirs(path); }
    void WriteFile(const std::string& path, const std::string& content, uint32_t attributes) override
    {
        WriteWholeFile(path, content, attributes);
    }
    bool ReadFile(const std::string& path, std::string& content) override { return ReadWholeFile(path, content); }
    uint32_t Attributes(const std::string& path) override { return GetFileAttributesA(path.c_str()); }
    void Lock(const std::string& path) override { m_locks.emplace_back(path); }

private:
    const std::string kPhotoshop = "SOFTWARE\\Adobe\\Photoshop\\";
    ScratchRegistry m_registry{"SOFTWARE\\Adobe"};
    TempFolder m_temp;
    std::string m_medium = ProgramMedium();
    TempFolder m_source{m_medium + "\\photoshopplugins", false};  // made by the scenario
    RecordingPlatform m_platform;
    std::vector<LockedFile> m_locks;
};

}  // namespace

std::unique_ptr<World> MakeWorld() { return std::make_unique<RealWorld>(); }
