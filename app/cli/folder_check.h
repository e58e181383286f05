#pragma once

#include <string>
#include <string_view>

namespace quillet::cli {

/// Empty when songs can be saved into `folder` (GBK): it is a writable folder, or the nearest
/// folder above it that exists is one, so that it can be made. Otherwise why not (UTF-8).
/// Creates nothing.
std::string FolderProblem(std::string_view folder);

}  // namespace quillet::cli
