#include "runtime/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/file_ops.h"
#include "text/code_pages.h"
#include "text/text_primitives.h"

namespace quillet {
namespace {

struct Line {
    std::size_t begin;  // first byte of the line
    std::size_t end;    // first byte of its line end (or of the next line when none)
    std::size_t next;   // first byte of the next line
};

// A line ends at CR LF, LF or a lone CR.
std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        const std::size_t end = std::min(content.find_first_of("\r\n", pos), content.size());
        std::size_t next = end;
        if (next < content.size()) {
            next +=
                (content[next] == '\r' && next + 1 < content.size() && content[next + 1] == '\n')
                    ? 2
                    : 1;
        }
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// ASCII letters compare without case; a GBK double-byte character compares exactly, trail
// byte included, so a trail byte in the letter range is never folded.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (static_cast<unsigned char>(a[i]) >= 0x80) {
            if (a[i] != b[i]) return false;
            if (i + 1 < a.size()) {
                ++i;
                if (a[i] != b[i]) return false;
            }
            continue;
        }
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

// The name of a section header line, or nullopt-like false when the line is none.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    std::size_t close = line.find(']');
    name = Trim(close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1));
    return true;
}

bool KeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

struct Located {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t keyLine = 0;      // index of the key's line
    std::size_t insertAfter = 0;  // index of the section's last non-blank line
    std::string_view value;
};

Located Locate(std::string_view content, const std::vector<Line>& lines, std::string_view section,
               std::string_view key) {
    Located found;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view text = content.substr(lines[i].begin, lines[i].end - lines[i].begin);
        std::string_view name;
        if (SectionName(text, name)) {
            if (found.sectionFound && inSection) return found;  // the first match only
            inSection = SameName(name, section);
            if (inSection) {
                found.sectionFound = true;
                found.insertAfter = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!Trim(text).empty()) found.insertAfter = i;
        std::string_view k, v;
        if (KeyLine(text, k, v) && SameName(k, key)) {
            found.keyFound = true;
            found.keyLine = i;
            found.value = v;
            return found;
        }
    }
    return found;
}

std::string_view LineEndOf(std::string_view content) {
    std::size_t lf = content.find('\n');
    if (lf != std::string_view::npos && (lf == 0 || content[lf - 1] != '\r')) return "\n";
    return "\r\n";
}

}  // namespace

Text IniLookup(std::string_view content, std::string_view section, std::string_view key,
               std::string_view defaultValue) {
    std::vector<Line> lines = SplitLines(content);
    Located found = Locate(content, lines, Trim(section), Trim(key));
    if (!found.keyFound) return Text(UpToNul(defaultValue));
    std::string_view value = found.value;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return Text(UpToNul(value));
}

Bytes IniUpdate(std::string_view content, std::string_view section, std::string_view key,
                std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    std::vector<Line> lines = SplitLines(content);
    Located found = Locate(content, lines, section, key);
    std::string_view lineEnd = LineEndOf(content);
    Bytes entry = Bytes(key) + "=" + Bytes(value);
    Bytes out;
    if (found.keyFound) {
        const Line& line = lines[found.keyLine];
        out.append(content.substr(0, line.begin));
        out.append(entry);
        out.append(content.substr(line.end));
        return out;
    }
    if (found.sectionFound) {
        const Line& line = lines[found.insertAfter];
        out.append(content.substr(0, line.next));
        if (line.next == line.end) out.append(lineEnd);  // the last line had no line end
        out.append(entry).append(lineEnd);
        out.append(content.substr(line.next));
        return out;
    }
    out.append(content);
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out.append(lineEnd);
    out.append("[").append(section).append("]").append(lineEnd);
    out.append(entry).append(lineEnd);
    return out;
}

Text ReadIniValue(std::string_view path, std::string_view section, std::string_view key,
                  std::string_view defaultValue) {
    Bytes content;
    if (!ReadWholeFile(path, content, MaxIniFileBytes)) return Text(UpToNul(defaultValue));
    return IniLookup(content, section, key, defaultValue);
}

bool WriteIniValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value) {
    // A line break inside a name or value would cut it on reading and could start a section
    // of its own: such a write fails, as one to a read-only file does.
    for (const std::string_view part : {section, key, value}) {
        if (part.find_first_of("\r\n") != std::string_view::npos) return false;
    }
    std::string fsPath = GbkToUtf8(UpToNul(path)).str();
    if (fsPath.empty()) return false;
    Bytes content;
    mode_t mode = 0644;
    struct stat st;
    if (stat(fsPath.c_str(), &st) == 0) {
        // An existing file that cannot be read whole is kept rather than overwritten.
        if (!ReadWholeFile(path, content, MaxIniFileBytes)) return false;
        if (access(fsPath.c_str(), W_OK) != 0) return false;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }
    Bytes updated = IniUpdate(content, section, key, value);

    std::string temp = fsPath + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, updated);
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), fsPath.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

}  // namespace quillet
