#pragma once

// Where the program keeps its own files. A copy whose folder is writable is portable and keeps
// everything beside the program file; an installed copy follows the XDG base directories.
// Paths are GBK, as everywhere inside the program; the environment is read as UTF-8.

#include <string_view>

#include "text/text_types.h"

namespace quillet {

/// The settings and cache folders chosen for one program folder, without a trailing "/".
struct ProgramFolders {
    Text config;  ///< where the settings file lives
    Text cache;   ///< where pages and other remade files go
};

/// True when the program's folder can be written, so the program runs portable.
bool IsPortableFolder(std::string_view runDirectory);

/// The folders for a program folder: `runDirectory` itself when `portable`, otherwise
/// $XDG_CONFIG_HOME/quillet and $XDG_CACHE_HOME/quillet (~/.config and ~/.cache by default).
/// Creates nothing.
ProgramFolders ChooseProgramFolders(std::string_view runDirectory, bool portable);

/// The settings folder for `runDirectory`; not created (a read never makes folders).
Text ConfigFolder(std::string_view runDirectory);

/// The cache folder for `runDirectory`, created when missing; empty when it cannot be made.
Text CacheFolder(std::string_view runDirectory);

/// Creates `folder` and every missing folder above it. True when it exists as a folder at the
/// end.
bool MakeFolders(std::string_view folder);

/// Creates the folder that would hold `path`.
bool MakeParentFolders(std::string_view path);

/// The user's desktop folder ending in "/": XDG_DESKTOP_DIR from user-dirs.dirs in the config
/// home, else $HOME/Desktop when it is a folder, else $HOME. Empty without a home folder.
Text UserDesktopFolder();

}  // namespace quillet
