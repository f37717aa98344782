#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../../engine/split_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path(reinterpret_cast<const char*>(data), size);
    std::string folder = "f", baseName = "b", extension = "e";
    int result = SplitPath(path, folder, baseName, extension);
    if (result != (path.empty() ? 0 : 1))
        std::abort();
    // The pieces are the path less at most one separator and one dot.
    if (result && folder.size() + baseName.size() + extension.size() + 2 < path.size())
        std::abort();
    if (result && path.rfind(folder, 0) != 0)
        std::abort();
    return 0;
}
