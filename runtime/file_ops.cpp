#include "runtime/file_ops.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "text/code_pages.h"

namespace quillet {
namespace {

std::string FsPath(std::string_view gbkPath) {
    return GbkToUtf8(UpToNul(gbkPath)).str();
}

int SystemRenameNoReplace(const char* from, const char* to) {
    // Called through syscall() so that the build does not depend on the libc wrapper.
    return static_cast<int>(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
}

int SystemLink(const char* from, const char* to) {
    return ::link(from, to);
}
int SystemUnlink(const char* path) {
    return ::unlink(path);
}

}  // namespace

RenameCalls SystemRenameCalls() {
    return {SystemRenameNoReplace, SystemLink, SystemUnlink};
}

RenameCalls& CurrentRenameCalls() {
    static RenameCalls calls = SystemRenameCalls();
    return calls;
}

Text RunDirectory() {
    std::string exe(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= exe.size()) return {};
    exe.resize(static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return {};
    return Utf8ToGbk(Utf8Bytes(slash == 0 ? std::string("/") : exe.substr(0, slash)));
}

bool PathExists(std::string_view path) {
    std::string fsPath = FsPath(path);
    if (fsPath.empty()) return false;
    struct stat st;
    return lstat(fsPath.c_str(), &st) == 0;
}

bool RemoveFile(std::string_view path) {
    const std::string fsPath = FsPath(path);
    return !fsPath.empty() && ::unlink(fsPath.c_str()) == 0;
}

int CreateForWriting(std::string_view path) {
    const std::string fsPath = FsPath(path);
    if (fsPath.empty()) return -1;
    int fd;
    do {
        fd = open(fsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteWholeFile(std::string_view path, std::string_view bytes) {
    const int fd = CreateForWriting(path);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes);
    if (close(fd) != 0 && errno != EINTR) ok = false;
    return ok;
}

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadWholeFile(std::string_view path, Bytes& bytes, std::size_t limit) {
    bytes.clear();
    std::string fsPath = FsPath(path);
    if (fsPath.empty()) return false;
    int fd;
    do {
        fd = open(fsPath.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char buffer[65536];
    while (ok) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            ok = false;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    if (!ok) bytes.clear();
    return ok;
}

bool RenameNoReplace(std::string_view from, std::string_view to) {
    std::string fsFrom = FsPath(from);
    std::string fsTo = FsPath(to);
    if (fsFrom.empty() || fsTo.empty()) return false;
    const RenameCalls& calls = CurrentRenameCalls();
    if (calls.renameNoReplace(fsFrom.c_str(), fsTo.c_str()) == 0) return true;
    // Kernels or file systems without RENAME_NOREPLACE: a hard link fails on an existing
    // target just as well, and the old name is removed once the new one stands.
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (calls.link(fsFrom.c_str(), fsTo.c_str()) != 0) return false;
    if (calls.unlink(fsFrom.c_str()) != 0) {
        calls.unlink(fsTo.c_str());
        return false;
    }
    return true;
}

}  // namespace quillet
