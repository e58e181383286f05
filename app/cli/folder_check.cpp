#include "app/cli/folder_check.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "text/code_pages.h"

namespace quillet::cli {

std::string FolderProblem(std::string_view folder) {
    namespace fs = std::filesystem;
    if (folder.empty()) return "no download folder";
    const std::string utf8 = GbkToUtf8(folder).str();
    fs::path path = fs::path(utf8).lexically_normal();
    if (path.is_relative()) path = fs::current_path() / path;
    std::error_code error;
    // The nearest part of the path that is there must be a folder we may write into.
    while (!fs::exists(fs::symlink_status(path, error)) && path.has_relative_path()) {
        path = path.parent_path();
    }
    if (!fs::is_directory(path, error)) return path.string() + " is not a folder";
    if (access(path.c_str(), W_OK | X_OK) != 0) {
        return path.string() + ": " + std::strerror(errno);
    }
    return {};
}

}  // namespace quillet::cli
