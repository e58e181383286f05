// URL parts and cookie merging.

#include <set>

#include "fuzz/fuzz_input.h"
#include "text/text_primitives.h"
#include "web/cookie_merge.h"
#include "web/url_parts.h"

using namespace quillet;
using quillet::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const bool mainDomainOnly = input.Flag();
    const bool keepPort = input.Flag();
    const int levels = input.Small();
    const std::string url = input.Text();
    Text held = input.Text();
    Text received = input.Rest();

    const Text host = UrlHost(url, mainDomainOnly, keepPort);
    for (const char c : host) Check(c < 'A' || c > 'Z', "the host is in small letters");
    UrlHost(url, mainDomainOnly, keepPort, levels);
    UrlPort(url);
    const Text path = UrlPath(url);
    Check(!path.empty() && path.front() == '/', "a path starts with /");

    const Text jar = MergeCookies(held, received);
    Check(jar == held, "the merged jar is what the caller holds");
    // Spaces go as ReplaceText finds them: one behind a lead byte is part of a character.
    Check(ReplaceText(received, " ", "") == received, "the received cookies lose their spaces");
    Check(jar.find("=deleted;") == std::string::npos, "deleted cookies are dropped");

    const Text joined = JoinDistinct(url, ";");
    std::set<std::string> seen;
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = joined.find(';', from);
        const std::string item = joined.substr(from, end - from);
        Check(seen.insert(item).second || joined.empty(), "JoinDistinct leaves no repeat");
        if (end == std::string::npos) break;
        from = end + 1;
    }
    return 0;
}
