// The page request's reply handling (body reads, header walk, cookies, Location, the page's
// character set) through a request layer that answers with the fuzzer's bytes.

#include <algorithm>

#include "fuzz/fuzz_input.h"
#include "web/winhttp_page_request.h"

using namespace quillet;
using quillet::fuzz::Check;

namespace {

// Hands out a header block and a body in chunks; every other call succeeds.
class ScriptedWinHttp final : public WinHttpLayer {
  public:
    ScriptedWinHttp(std::string headers, std::string body, std::size_t chunk)
        : headers_(std::move(headers)),
          body_(std::move(body)),
          chunk_(std::max<std::size_t>(chunk, 1)) {}

    bool CheckPlatform() override { return true; }
    bool CrackUrl(std::string_view, UrlComponents& parts) override {
        parts.scheme = winhttp::SchemeHttp;
        parts.host = "h";
        parts.port = 80;
        parts.path = "/p";
        return true;
    }
    Handle Open(int, std::string_view) override { return Next(); }
    Handle Connect(Handle, std::string_view, int) override { return Next(); }
    Handle OpenRequest(Handle, std::string_view, std::string_view, unsigned) override {
        return Next();
    }
    bool SetTimeouts(Handle, int, int, int, int) override { return true; }
    bool SetCredentials(Handle, int, int, std::string_view, std::string_view) override {
        return true;
    }
    bool SetOption(Handle, int, std::uint32_t) override { return true; }
    bool AddRequestHeaders(Handle, std::string_view, unsigned) override { return true; }
    bool SendRequest(Handle, std::string_view) override { return true; }
    bool ReceiveResponse(Handle) override { return true; }
    bool QueryDataAvailable(Handle, std::size_t& count) override {
        count = std::min(chunk_, body_.size() - sent_);
        return true;
    }
    bool ReadData(Handle, char* buffer, std::size_t size, std::size_t& read) override {
        read = std::min(size, body_.size() - sent_);
        std::copy_n(body_.data() + sent_, read, buffer);
        sent_ += read;
        return true;
    }
    bool QueryHeaders(Handle, int, char* buffer, std::size_t& length) override {
        if (buffer == nullptr || length < headers_.size() + 1) {
            length = headers_.size() + 1;
            return false;
        }
        std::copy_n(headers_.data(), headers_.size(), buffer);
        buffer[headers_.size()] = '\0';
        length = headers_.size();
        return true;
    }
    void CloseHandle(Handle) override {}

  private:
    Handle Next() { return reinterpret_cast<Handle>(&handles_[count_++ % 3]); }

    std::string headers_;
    std::string body_;
    std::size_t chunk_;
    std::size_t sent_ = 0;
    char handles_[3] = {};
    std::size_t count_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::size_t chunk = input.Byte();
    Text cookies = input.Text();
    const Text heldCookies = cookies;
    std::string headers = input.Text();
    const std::string body = input.Rest();
    ScriptedWinHttp layer(headers, body, chunk);

    WinHttpRequestArgs args;
    Text received;
    Text responseHeaders;
    Text location = "unset";
    Text status;
    Bytes bodyBytes;
    args.cookies = &cookies;
    args.receivedCookies = &received;
    args.responseHeaders = &responseHeaders;
    args.location = &location;
    args.statusText = &status;
    args.bodyBytes = &bodyBytes;
    WinHttpPageRequest(layer, "http://h/p", args);

    const std::string_view seen = UpToNul(headers);
    Check(bodyBytes == body, "the body's bytes arrive unchanged");
    Check(responseHeaders.size() == seen.size(), "the header block is handed on whole");
    // Read from the block as handed on, in which every "Set-Cookie" has this one spelling.
    Check(location == "unset" || responseHeaders.find(location) != std::string::npos,
          "Location comes from a header line");
    Check(
        status.empty() || seen.find(status) != std::string_view::npos || status.rfind("7", 0) == 0,
        "the status is read from the status line");
    return 0;
}
