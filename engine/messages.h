// Texts the installation shows the user.
#pragma once

inline constexpr char kMsgVersionNotFound[] = "This version photoshop can't be found ,Please install it!";
inline constexpr char kMsgCreateFolderFailed[] = "Failed to create folder!";
inline constexpr char kMsgPluginsNotFound[] = "The plugins to install is not found!";
inline constexpr char kMsgCopyFailedHead[] = "The following plugins could not be installed:";
inline constexpr char kMsgCopyFailedMore[] = "and %u more";
