// Text toolkit figures: the search reply parse against a bare PCRE2 match loop, and the
// UTF-8 to GBK conversion against one ICU call.

#define PCRE2_CODE_UNIT_WIDTH 16
#include <benchmark/benchmark.h>
#include <pcre2.h>
#include <unicode/ucnv.h>

#include <string>

#include "bench/ratio_report.h"
#include "text/code_pages.h"
#include "text/pattern_object.h"

namespace {

using namespace quillet;

constexpr const char* SearchPattern =
    "rid':'(.*?)','songName':'(.*?)','album':'(.*?)','(.*?)artist':'(.*?)'";

// A search reply of 500 records (about 300 KB) in the service's single-quoted form, GBK.
const Text& SearchReply() {
    static const Text reply = [] {
        Text text = "try{var jsondata={'total':'500','abslist':[";
        for (int i = 0; i < 500; ++i) {
            const std::string n = std::to_string(i);
            text += "{'musicrid':'MUSIC_" + n + "','rid':'MUSIC_" + n +
                    "','songName':'让我们一起微笑吧 第" + n + "版','album':'微笑专辑 " + n +
                    "','albumid':'" + n +
                    "','mp3size':'3.46MB','formats':'WMA96|WMA128|"
                    "MP3128|MP3192|MP3H|AL|ALFLAC|MP4|MV','pay':'0','score100':'42','ispoint':"
                    "'0','playcnt':'12345','tags':'','covers':'','isstar':'0','hasecho':'0',"
                    "'new':'0','online':'1','artistid':'" +
                    n + "','artist':'歌手" + n +
                    "&合唱团','aartist':'','duration':'245','fav':'','mvpayinfo':'','nationid':"
                    "'0','opay':'0','iscache':'1','copyright':'0','originalsongtype':'0',"
                    "'releaseDate':'2020-01-01','tpay':'0','rkey':'" +
                    std::string(120, 'k') + "'},";
        }
        return text + "]}}";
    }();
    return reply;
}

void OurSearchParse(benchmark::State& state) {
    const Text& reply = SearchReply();
    for (auto _ : state) {
        PatternObject pattern;
        pattern.Create(SearchPattern, reply, false, false, true, true);
        const int n = pattern.MatchCount();
        std::size_t bytes = 0;
        for (int i = 1; i <= n; ++i) {
            for (const int group : {2, 5, 3, 1}) bytes += pattern.SubMatchText(i, group).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}

void BarePcre2Loop(benchmark::State& state) {
    const std::u16string pattern = DecodeBytes(CodePageGbk, SearchPattern);
    const std::u16string subject = DecodeBytes(CodePageGbk, SearchReply());
    const auto* subjectUnits = reinterpret_cast<PCRE2_SPTR16>(subject.data());
    for (auto _ : state) {
        int error = 0;
        PCRE2_SIZE errorOffset = 0;
        pcre2_code* code =
            pcre2_compile(reinterpret_cast<PCRE2_SPTR16>(pattern.data()), pattern.size(),
                          PCRE2_UTF | PCRE2_CASELESS, &error, &errorOffset, nullptr);
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
        PCRE2_SIZE start = 0;
        int matches = 0;
        while (pcre2_match(code, subjectUnits, subject.size(), start, PCRE2_NO_UTF_CHECK, data,
                           nullptr) > 0) {
            start = pcre2_get_ovector_pointer(data)[1];
            ++matches;
        }
        benchmark::DoNotOptimize(matches);
        pcre2_match_data_free(data);
        pcre2_code_free(code);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * SearchReply().size()));
}

// 1 MB of Chinese text in UTF-8.
const std::string& ChineseUtf8() {
    static const std::string text = [] {
        const std::string line =
            GbkToUtf8("让我们一起微笑吧，音乐是世界的语言。歌手与专辑：").str();
        std::string all;
        while (all.size() < 1024 * 1024) all += line;
        return all;
    }();
    return text;
}

void OurUtf8ToGbk(benchmark::State& state) {
    const Utf8Bytes utf8(ChineseUtf8());
    for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(utf8));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ChineseUtf8().size()));
}

void IcuConvert(benchmark::State& state) {
    const std::string& input = ChineseUtf8();
    std::string output(input.size(), '\0');
    for (auto _ : state) {
        UErrorCode err = U_ZERO_ERROR;
        const int32_t n =
            ucnv_convert("windows-936", "UTF-8", output.data(), static_cast<int32_t>(output.size()),
                         input.data(), static_cast<int32_t>(input.size()), &err);
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

BENCHMARK(OurSearchParse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BarePcre2Loop)->Unit(benchmark::kMicrosecond);
BENCHMARK(OurUtf8ToGbk)->Unit(benchmark::kMicrosecond);
BENCHMARK(IcuConvert)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return quillet::bench::RunWithRatios(argc, argv,
                                         {{"search_parse", "OurSearchParse", "BarePcre2Loop"},
                                          {"utf8_to_gbk", "OurUtf8ToGbk", "IcuConvert"}});
}
