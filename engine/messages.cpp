#include "engine/messages.h"

// A line break or other control character would make one name look like two lines.
static std::string Readable(std::string name)
{
    for (char& c : name)
        c = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return name;
}

std::string CopyFailureReport(const std::vector<std::string>& names, bool held)
{
    std::string text = kMsgCopyFailedHead;
    for (size_t i = 0; i < names.size() && i < kMaxNamedFailures; ++i)
        text += "\n" + Readable(names[i]);
    if (names.size() > kMaxNamedFailures)
        text += "\nand " + std::to_string(names.size() - kMaxNamedFailures) + " more";
    if (held)
        text += std::string("\n\n") + kMsgHeldHint;
    return text;
}
