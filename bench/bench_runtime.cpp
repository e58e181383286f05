// Runtime figures: the plain HTTP download of a 1 MB body from a loopback server, against a
// bare libcurl transfer of the same body (the cost of our layer on top of libcurl).

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <string>

#include "bench/ratio_report.h"
#include "runtime/http_download.h"
#include "tests/web/scripted_http_server.h"

namespace {

using quillet::test::ScriptedHttpServer;

ScriptedHttpServer& Server() {
    static ScriptedHttpServer server(
        "HTTP/1.0 200 OK\r\nContent-Length: 1048576\r\n\r\n" + std::string(1048576, 'x'),
        quillet::test::ServerOptions{.lifetime = std::chrono::seconds(600)});
    return server;
}

void OurDownload(benchmark::State& state) {
    const std::string url = Server().Url("/song.mp3");
    for (auto _ : state) {
        quillet::DownloadResult result = quillet::HttpDownload(url);
        benchmark::DoNotOptimize(result.body.data());
        if (result.body.size() != 1048576) state.SkipWithError("short body");
    }
}
BENCHMARK(OurDownload)->Unit(benchmark::kMillisecond);

size_t Append(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

void BareCurl(benchmark::State& state) {
    const std::string url = Server().Url("/song.mp3");
    for (auto _ : state) {
        std::string body;
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
        curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        benchmark::DoNotOptimize(body.data());
        if (body.size() != 1048576) state.SkipWithError("short body");
    }
}
BENCHMARK(BareCurl)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    return quillet::bench::RunWithRatios(argc, argv,
                                         {{"plain_download_1mb", "OurDownload", "BareCurl"}});
}
