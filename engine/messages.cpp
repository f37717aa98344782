#include "engine/messages.h"

std::string CopyFailureReport(const std::vector<std::string>& names)
{
    std::string text = kMsgCopyFailedHead;
    for (size_t i = 0; i < names.size() && i < kMaxNamedFailures; ++i)
        text += "\n" + names[i];
    if (names.size() > kMaxNamedFailures)
        text += "\nand " + std::to_string(names.size() - kMaxNamedFailures) + " more";
    return text;
}
