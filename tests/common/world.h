// What an install scenario needs of the machine it runs on: the in-memory
// platform on the host, the real registry and file system under Wine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../../engine/platform.h"

constexpr uint32_t kNoFile = 0xFFFFFFFF;
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;

class World {
public:
    virtual ~World() = default;
    virtual Platform& platform() = 0;
    virtual std::vector<std::string>& messages() = 0;

    virtual std::string Root() = 0;    // an empty scratch folder
    virtual std::string Medium() = 0;  // the parent of the program's folder

    // PlugInPath under SOFTWARE\Adobe\Photoshop\<version>.
    virtual void SetPluginPath(const std::string& version, uint32_t type, const std::string& data) = 0;
    virtual void MakeVersionKey(const std::string& version) = 0;

    virtual void MakeDir(const std::string& path) = 0;
    virtual void WriteFile(const std::string& path, const std::string& content, uint32_t attributes = 0) = 0;
    virtual bool ReadFile(const std::string& path, std::string& content) = 0;
    virtual uint32_t Attributes(const std::string& path) = 0;  // kNoFile when absent
    // Holds the file open without sharing until the world ends.
    virtual void Lock(const std::string& path) = 0;
};

std::unique_ptr<World> MakeWorld();
