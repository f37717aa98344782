#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../../ui/version_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* warning = CheckVersion(std::string(reinterpret_cast<const char*>(data), size));
    if (warning && std::strcmp(warning, kMsgInvalidVersion) != 0 && std::strcmp(warning, kMsgVersionTooOld) != 0)
        std::abort();
    return 0;
}
