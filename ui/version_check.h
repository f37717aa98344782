// The check of the version field as the user types.
#pragma once

#include <string>

// The warning for a version text, or null when it looks like 5.0 or later.
// Only the first two characters count: a character from '5' up, then a dot.
const char* CheckVersion(const std::string& version);
