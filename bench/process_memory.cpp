#include "bench/process_memory.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace quillet::bench {
namespace {

long PssKb(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind("Pss:", 0) == 0) return std::strtol(line.c_str() + 4, nullptr, 10);
    }
    return -1;
}

pid_t ParentOf(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(stat.substr(close + 2));
    char state = 0;
    pid_t parent = -1;
    rest >> state >> parent;
    return parent;
}

}  // namespace

long ProcessTreePssKb(pid_t root) {
    std::map<pid_t, std::vector<pid_t>> children;
    if (DIR* proc = opendir("/proc")) {
        while (dirent* entry = readdir(proc)) {
            char* end = nullptr;
            const long pid = std::strtol(entry->d_name, &end, 10);
            if (*end != '\0' || pid <= 0) continue;
            children[ParentOf(static_cast<pid_t>(pid))].push_back(static_cast<pid_t>(pid));
        }
        closedir(proc);
    }
    long total = PssKb(root);
    if (total < 0) return -1;
    std::vector<pid_t> pending = children[root];
    while (!pending.empty()) {
        const pid_t pid = pending.back();
        pending.pop_back();
        const long pss = PssKb(pid);
        if (pss > 0) total += pss;
        for (pid_t child : children[pid]) pending.push_back(child);
    }
    return total;
}

}  // namespace quillet::bench
