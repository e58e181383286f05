// Web access figures: a 10 MB body fetched from a loopback server with WinHttpPageRequest and
// with FetchPageText, each against a plain libcurl easy transfer of the same address.

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

#include "bench/ratio_report.h"
#include "tests/web/scripted_http_server.h"
#include "web/winhttp_page_request.h"
#include "web/wininet_page_request.h"

namespace {

using namespace quillet;

constexpr std::size_t BodyBytes = 10 << 20;

const std::string& Url() {
    static test::ScriptedHttpServer server(
        test::HttpReply("HTTP/1.1 200 OK", "Content-Type: text/html\r\n",
                        std::string(BodyBytes, 'a')),
        test::ServerOptions{.lifetime = std::chrono::hours(1)});
    static const std::string url = server.Url("/big.html");
    return url;
}

void Check(benchmark::State& state, std::size_t size) {
    if (size != BodyBytes) state.SkipWithError("short body");
}

void OurWinHttpPageRequest(benchmark::State& state) {
    const std::string& url = Url();
    for (auto _ : state) {
        const Text text = WinHttpPageRequest(url);
        Check(state, text.size());
        benchmark::DoNotOptimize(text.data());
    }
}

void OurFetchPageText(benchmark::State& state) {
    const std::string& url = Url();
    for (auto _ : state) {
        const Text text = FetchPageText(url);
        Check(state, text.size());
        benchmark::DoNotOptimize(text.data());
    }
}

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

void CurlEasyTransfer(benchmark::State& state) {
    const std::string& url = Url();
    for (auto _ : state) {
        std::string body;
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXY, "");
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
        curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        Check(state, body.size());
        benchmark::DoNotOptimize(body.data());
    }
}

}  // namespace

BENCHMARK(OurWinHttpPageRequest)->Unit(benchmark::kMillisecond);
BENCHMARK(OurFetchPageText)->Unit(benchmark::kMillisecond);
BENCHMARK(CurlEasyTransfer)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    return quillet::bench::RunWithRatios(
        argc, argv,
        {{"web_winhttp_page_request", "OurWinHttpPageRequest", "CurlEasyTransfer"},
         {"web_fetch_page_text", "OurFetchPageText", "CurlEasyTransfer"}});
}
