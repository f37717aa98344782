// A whole installation on the in-memory platform with fuzzed registry value,
// version text and plug-in names. Every plug-in must end up installed with its
// content, or be named in the report.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <set>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../engine/messages.h"
#include "../../engine/plugin_installer.h"
#include "../common/fake_platform.h"

namespace {

// Splits the input at NUL bytes: version, value type, value data, program path, names...
std::vector<std::string> Fields(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && fields.size() < 40)
            fields.emplace_back();
        else
            fields.back() += static_cast<char>(data[i]);
    }
    fields.resize(std::max<size_t>(fields.size(), 4));
    return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> f = Fields(data, size);
    FakePlatform fake;
    fake.MakeDir("C:\\PS\\Filters");
    uint32_t type = f[1].empty() ? kRegSz : static_cast<uint8_t>(f[1][0]) % 8;
    fake.SetValue("SOFTWARE\\Adobe\\Photoshop\\" + f[0], "PlugInPath", type, f[2]);
    fake.programPath = f[3].empty() ? "D:\\Setup\\inst.exe" : f[3];
    fake.MakeDir("D:\\photoshopplugins");
    std::vector<std::string> names;
    std::set<std::string> seen;  // names compare without regard to case
    for (size_t i = 4; i < f.size(); ++i) {
        std::string lower = f[i];
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        if (f[i].empty() || f[i].find_first_of("\\/") != std::string::npos || f[i] == "." || f[i] == ".." ||
            !seen.insert(lower).second)
            continue;
        fake.WriteFile("D:\\photoshopplugins\\" + f[i], "content " + f[i]);
        names.push_back(f[i]);
    }

    PluginInstaller inst(fake);
    inst.m_strVersion = f[0];
    if (!inst.LocatePluginFolder() || fake.programPath != "D:\\Setup\\inst.exe")
        return 0;
    inst.CopyPlugins();
    std::string report = fake.messages.empty() ? "" : fake.messages.back();
    if (report.rfind(kMsgCopyFailedHead, 0) != 0)
        report.clear();
    for (const std::string& name : names) {
        FakePlatform::Node* copy = fake.Find(inst.m_strPluginFolder + "\\" + name);
        bool installed = copy && copy->content == "content " + name;
        bool reported = report.find("\n" + name) != std::string::npos || report.find("more") != std::string::npos;
        if (!installed && !reported)
            std::abort();
    }
    return 0;
}
