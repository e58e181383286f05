#include "runtime/tags/song_tags.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>

#include <cerrno>
#include <memory>
#include <string>

#include "runtime/picture_decoding.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

// Closes a descriptor when the scope ends.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    /// Closes now; false when the close reports a failed write.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || errno == EINTR;
    }

  private:
    int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies everything from the start of `from` to the end of `to`.
bool CopyAll(int from, int to) {
    if (::lseek(from, 0, SEEK_SET) != 0) return false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAll(to, buffer, static_cast<std::size_t>(n))) return false;
    }
}

enum class Existing { None, Tagged, Unusable };

// What the file holds already, as TagLib sees it: any tag at all, or no MPEG audio.
Existing ExistingTags(const std::string& fsPath) {
    TagLib::FileStream stream(fsPath.c_str(), true);
    if (!stream.isOpen()) return Existing::Unusable;
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid()) return Existing::Unusable;
    if (file.hasID3v2Tag() || file.hasID3v1Tag() || file.hasAPETag()) return Existing::Tagged;
    if (file.firstFrameOffset() < 0) return Existing::Unusable;
    return Existing::None;
}

void AddText(TagLib::ID3v2::Tag& tag, const char* id, std::string_view gbk) {
    const std::string utf8 = GbkToUtf8(UpToNul(gbk)).str();
    if (utf8.empty()) return;
    auto frame = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(TagLib::ByteVector(id),
                                                                          TagLib::String::UTF8);
    frame->setText(TagLib::String(utf8, TagLib::String::UTF8));
    tag.addFrame(frame.release());
}

void AddCover(TagLib::ID3v2::Tag& tag, std::string_view cover) {
    auto frame = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setMimeType(SniffPictureFormat(cover) == PictureFormat::Png ? "image/png"
                                                                       : "image/jpeg");
    frame->setPicture(TagLib::ByteVector(cover.data(), static_cast<unsigned int>(cover.size())));
    tag.addFrame(frame.release());
}

bool Tag(const std::string& fsPath, const SongTags& tags, std::string_view cover) {
    Fd original(::open(fsPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (original.get() < 0) return false;
    struct stat st;
    if (::fstat(original.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // The new file replaces this one by a rename, which the folder allows even where the
    // file itself is read-only: ask for the file's own permission first.
    if (::access(fsPath.c_str(), W_OK) != 0) return false;

    switch (ExistingTags(fsPath)) {
        case Existing::Unusable:
            return false;
        case Existing::Tagged:
            return true;
        case Existing::None:
            break;
    }

    TagLib::ID3v2::Tag tag;
    AddText(tag, "TIT2", tags.title);
    AddText(tag, "TPE1", tags.artist);
    AddText(tag, "TALB", tags.album);
    if (IsUsableCover(cover)) AddCover(tag, cover);
    if (tag.frameList().isEmpty()) return true;
    const TagLib::ByteVector rendered = tag.render(TagLib::ID3v2::v4);

    std::string tempPath = fsPath + ".tagging.XXXXXX";
    Fd temp(::mkostemp(tempPath.data(), O_CLOEXEC));
    if (temp.get() < 0) return false;
    const bool written = ::fchmod(temp.get(), st.st_mode & 0777) == 0 &&
                         WriteAll(temp.get(), rendered.data(), rendered.size()) &&
                         CopyAll(original.get(), temp.get()) && temp.Close() &&
                         ::rename(tempPath.c_str(), fsPath.c_str()) == 0;
    if (!written) ::unlink(tempPath.c_str());
    return written;
}

}  // namespace

bool IsUsableCover(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > MaxCoverBytes) return false;
    DecodedPicture picture;
    switch (SniffPictureFormat(bytes)) {
        case PictureFormat::Png:
            return DecodePng(bytes, picture);
        case PictureFormat::Jpeg:
            return DecodeJpeg(bytes, picture);
        default:
            return false;
    }
}

bool AddSongTags(std::string_view path, const SongTags& tags, std::string_view cover) {
    const std::string fsPath = GbkToUtf8(UpToNul(path)).str();
    if (fsPath.empty()) return false;
    try {
        return Tag(fsPath, tags, cover);
    } catch (...) {
        return false;
    }
}

}  // namespace quillet
