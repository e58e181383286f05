#include "app/song_info_reply.h"

#include <cmath>
#include <cstdio>

#include "text/text_extraction.h"
#include "text/text_primitives.h"

namespace quillet {

bool ReplyHasMp3(std::string_view reply) {
    return FindTextReverse(reply, ".mp3") >= 1;
}

std::optional<Text> StandardAddress(std::string_view reply) {
    const Text host = TextBetween(reply, "mp3dl>", "</mp3dl");
    const Text path = TextBetween(reply, "mp3path>", "</mp3path");
    if (host.empty() || path.empty()) return std::nullopt;
    return "http://" + host + "/resource/" + path;
}

Text ArtistPictureAddress(std::string_view reply) {
    return TextBetween(reply, "artist_pic240>", "</artist_pic240");
}

Text SizeText(std::int64_t bytes) {
    const double x = static_cast<double>(bytes) / 1048576.0;
    double rounded = 0;
    if (x != 0) {
        // Half away from zero, with a nudge so that values like 3.455 stored as 3.45499...
        // still round up.
        const double w = std::fabs(x) * 100 + 1e-12;
        double k = std::floor(w);
        if (w - k >= 0.5) k += 1;
        rounded = std::copysign(k / 100, x);
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13gMB", rounded);
    return buffer;
}

}  // namespace quillet
