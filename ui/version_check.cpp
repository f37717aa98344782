#include "ui/version_check.h"

#include "engine/messages.h"

const char* CheckVersion(const std::string& version)
{
    if (version.size() < 2 || version[1] != '.')
        return kMsgInvalidVersion;
    // Compared as a signed byte: characters from 0x80 up count as below '5'.
    if (static_cast<signed char>(version[0]) < '5')
        return kMsgVersionTooOld;
    return nullptr;
}
