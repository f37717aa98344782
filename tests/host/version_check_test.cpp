#include <gtest/gtest.h>

#include "../../ui/version_check.h"

TEST(CheckVersion, FirstTwoCharactersDecide)
{
    const char* const bad = kMsgInvalidVersion;
    const char* const old = kMsgVersionTooOld;
    struct Case {
        std::string text;
        const char* warning;
    } cases[] = {
        {"5.0", nullptr}, {"5.5", nullptr}, {"6.0", nullptr}, {"7.0", nullptr}, {"9.9", nullptr},
        {"5.", nullptr},  {"A.1", nullptr}, {":.x", nullptr}, {"\x7f.0", nullptr},
        {"4.0", old},     {"3.5", old},     {"0.9", old},     {"..", old},       {"\x80.0", old},
        {"\xff.0", old},  {std::string("\0.0", 3), old},
        {"7", bad},       {"", bad},        {"10.0", bad},    {" 6.0", bad},     {"5,0", bad},
        {"\xd6\xd0", bad},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const char* warning = CheckVersion(c.text);
        EXPECT_STREQ(warning, c.warning);
    }
}
