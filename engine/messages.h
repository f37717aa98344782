// Every text the program shows the user, but the resources'.
#pragma once

#include <string>
#include <vector>

inline constexpr char kMsgVersionNotFound[] = "This version photoshop can't be found ,Please install it!";
inline constexpr char kMsgCreateFolderFailed[] = "Failed to create folder!";
inline constexpr char kMsgPluginsNotFound[] = "The plugins to install is not found!";
inline constexpr char kMsgInvalidVersion[] = "Invalid version number!";
inline constexpr char kMsgVersionTooOld[] = "The version should be greater than 5.0";
inline constexpr char kMsgCopyFailedHead[] = "The following plugins could not be installed:";
inline constexpr char kMsgHeldHint[] = "Some of them are in use: close Photoshop, or whatever holds them, and run the installer again.";

// Failed copies named one by one in the report; the rest are counted.
constexpr size_t kMaxNamedFailures = 10;

// The head, then one name a line, then "and N more" past the tenth; after an
// empty line, the hint when some were given up because they were held.
std::string CopyFailureReport(const std::vector<std::string>& names, bool held);
