#include "runtime/program_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include "text/code_pages.h"

namespace quillet {
namespace {

constexpr std::string_view FolderName = "quillet";

// An environment value as a GBK path; empty when unset or, as the XDG rules ask, relative.
Text AbsoluteEnvPath(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return {};
    return Utf8ToGbk(Utf8Bytes(value));
}

Text HomeFolder() {
    Text home = AbsoluteEnvPath("HOME");
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home;
}

// $NAME, or the home folder joined with `fallback`.
Text BaseFolder(const char* name, std::string_view fallback) {
    Text base = AbsoluteEnvPath(name);
    if (base.empty()) {
        const Text home = HomeFolder();
        if (home.empty()) return {};
        base = (home == "/" ? Text() : home) + "/" + Text(fallback);
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
}

bool IsFolder(const std::string& utf8Path) {
    struct stat st;
    return stat(utf8Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The value of XDG_DESKTOP_DIR in user-dirs.dirs: "$HOME/..." or an absolute path, in double
// quotes. Empty when the file or the line is missing or the value has another form.
Text DesktopFromUserDirs(const Text& home) {
    const Text config = BaseFolder("XDG_CONFIG_HOME", ".config");
    if (config.empty()) return {};
    std::ifstream file(GbkToUtf8(config + "/user-dirs.dirs").str());
    std::string line;
    Text found;
    while (std::getline(file, line)) {
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 16, "XDG_DESKTOP_DIR=") != 0) {
            continue;
        }
        std::string value = line.substr(start + 16);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
        value = value.substr(1, value.size() - 2);
        if (value.find('\\') != std::string::npos) continue;  // escapes are not ours to guess
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
            if (home.empty()) continue;
            found = home + Utf8ToGbk(Utf8Bytes(value.substr(5)));
        } else if (!value.empty() && value.front() == '/') {
            found = Utf8ToGbk(Utf8Bytes(value));
        }
    }
    return found;  // the last line wins, as in the shell that reads the file
}

}  // namespace

bool IsPortableFolder(std::string_view runDirectory) {
    if (runDirectory.empty()) return false;
    return access(GbkToUtf8(runDirectory).c_str(), W_OK) == 0;
}

ProgramFolders ChooseProgramFolders(std::string_view runDirectory, bool portable) {
    if (portable) return {Text(runDirectory), Text(runDirectory)};
    ProgramFolders folders;
    const Text config = BaseFolder("XDG_CONFIG_HOME", ".config");
    const Text cache = BaseFolder("XDG_CACHE_HOME", ".cache");
    // Without any home the program folder stands, as before: reads fail quietly there.
    folders.config = config.empty() ? Text(runDirectory) : config + "/" + Text(FolderName);
    folders.cache = cache.empty() ? Text(runDirectory) : cache + "/" + Text(FolderName);
    return folders;
}

Text ConfigFolder(std::string_view runDirectory) {
    return ChooseProgramFolders(runDirectory, IsPortableFolder(runDirectory)).config;
}

Text CacheFolder(std::string_view runDirectory) {
    Text folder = ChooseProgramFolders(runDirectory, IsPortableFolder(runDirectory)).cache;
    return MakeFolders(folder) ? folder : Text();
}

bool MakeFolders(std::string_view folder) {
    const std::string path = GbkToUtf8(folder).str();
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (end == std::string::npos) break;
    }
    return IsFolder(path);
}

bool MakeParentFolders(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return true;  // the working folder
    if (slash == 0) return true;
    return MakeFolders(path.substr(0, slash));
}

Text UserDesktopFolder() {
    const Text home = HomeFolder();
    Text desktop = DesktopFromUserDirs(home);
    if (desktop.empty()) {
        if (home.empty()) return {};
        const Text standard = (home == "/" ? Text() : home) + "/Desktop";
        desktop = IsFolder(GbkToUtf8(standard).str()) ? standard : home;
    }
    if (desktop.back() != '/') desktop += '/';
    return desktop;
}

}  // namespace quillet
