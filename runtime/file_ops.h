#pragma once

// File operations on GBK paths: the program's folder, existence, whole-file writes and a
// rename that never replaces an existing file. Paths cross to the file system as UTF-8.

#include <string_view>

#include "text/text_types.h"

namespace quillet {

/// The folder holding the program file, without a trailing "/" (but "/" itself); empty when
/// it cannot be told.
Text RunDirectory();

/// True when anything (file, folder, link, even a dangling one) has this name.
bool PathExists(std::string_view path);

/// Creates or empties the file and writes `bytes`. False for an empty name or when opening
/// or writing fails.
bool WriteWholeFile(std::string_view path, std::string_view bytes);

/// Writes all of `bytes` to an open file descriptor, going on after short writes and
/// interruptions. False when a write fails.
bool WriteAll(int fd, std::string_view bytes);

/// Creates or empties the file and opens it for writing: the descriptor, or -1 for an empty
/// name or when it cannot be opened. The caller closes it.
int CreateForWriting(std::string_view path);

/// Reads at most `limit` bytes of a file. False when it cannot be opened or read, or when it
/// is larger than `limit`.
bool ReadWholeFile(std::string_view path, Bytes& bytes, std::size_t limit);

/// Removes a file; false when there was none or it could not be removed.
bool RemoveFile(std::string_view path);

/// Renames `from` to `to`; fails, leaving both untouched, when `to` exists.
bool RenameNoReplace(std::string_view from, std::string_view to);

/// The system calls behind RenameNoReplace, replaceable so a test can make one of them fail.
struct RenameCalls {
    int (*renameNoReplace)(const char* from, const char* to);  ///< renameat2 RENAME_NOREPLACE
    int (*link)(const char* from, const char* to);
    int (*unlink)(const char* path);
};
RenameCalls& CurrentRenameCalls();
RenameCalls SystemRenameCalls();

}  // namespace quillet
