#include "../common/fake_platform.h"
#include "../common/world.h"

namespace {

class FakeWorld : public World {
public:
    FakeWorld() { m_fake.MakeDir("C:\\w"); }

    Platform& platform() override { return m_fake; }
    std::vector<std::string>& messages() override { return m_fake.messages; }
    std::string Root() override { return "C:\\w"; }
    std::string Medium() override { return "D:"; }  // the program is D:\Setup\inst.exe

    void SetPluginPath(const std::string& version, uint32_t type, const std::string& data) override
    {
        m_fake.SetValue("SOFTWARE\\Adobe\\Photoshop\\" + version, "PlugInPath", type, data);
    }
    void MakeVersionKey(const std::string& version) override { m_fake.MakeKey("SOFTWARE\\Adobe\\Photoshop\\" + version); }
    void MakeDir(const std::string& path) override { m_fake.MakeDir(path); }
    void WriteFile(const std::string& path, const std::string& content, uint32_t attributes) override
    {
        m_fake.WriteFile(path, content, attributes);
    }
    bool ReadFile(const std::string& path, std::string& content) override
    {
        FakePlatform::Node* node = m_fake.Find(path);
        if (!node || node->folder)
            return false;
        content = node->content;
        return true;
    }
    uint32_t Attributes(const std::string& path) override
    {
        FakePlatform::Node* node = m_fake.Find(path);
        if (!node)
            return kNoFile;
        return node->attributes | (node->folder ? kAttrDirectory : 0);
    }
    void Lock(const std::string& path) override { m_fake.Find(path)->locked = true; }

private:
    FakePlatform m_fake;
};

}  // namespace

std::unique_ptr<World> MakeWorld() { return std::make_unique<FakeWorld>(); }
