#include "web/http_address.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace quillet {
namespace {

struct ProxyCase {
    const char* name;
    std::string list;
    std::string scheme;
    std::string proxy;
};

class ProxyForSchemeCases : public testing::TestWithParam<ProxyCase> {};

TEST_P(ProxyForSchemeCases, Picks) {
    EXPECT_EQ(ProxyForScheme(GetParam().list, GetParam().scheme), GetParam().proxy);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProxyForSchemeCases,
    testing::Values(ProxyCase{"HttpOnlyForHttp", "http=p:8080", "http", "p:8080"},
                    ProxyCase{"HttpOnlyNotForHttps", "http=p:8080", "https", ""},
                    ProxyCase{"BareForHttps", "p:8080", "https", "p:8080"},
                    ProxyCase{"BareForHttp", "p:8080", "http", "p:8080"},
                    ProxyCase{"SchemeEntryBeatsBare", "q:1; https=s:2", "https", "s:2"},
                    ProxyCase{"SchemePrefixDropped", "http=http://p:1", "http", "p:1"},
                    ProxyCase{"Empty", "", "http", ""}),
    [](const auto& row) { return row.param.name; });

TEST(TransferUrl, EscapesWhatCannotStandInAnAddress) {
    EXPECT_EQ(TransferUrl(false, "h", 80, "/a b?x=\xD6\xD0"), "http://h:80/a%20b?x=%D6%D0");
    EXPECT_EQ(TransferUrl(true, "::1", 443, ""), "https://[::1]:443/");
    // Escapes already present stay as they are.
    EXPECT_EQ(TransferUrl(false, "h", 1, "/%41"), "http://h:1/%41");
}

// Nothing calls curl_global_init: the library must initialise itself, safely from any thread.
TEST(CurlLibrary, InitialisesItselfThreadSafely) {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    ASSERT_NE(info, nullptr);
    EXPECT_NE(info->features & CURL_VERSION_THREADSAFE, 0);
}

}  // namespace
}  // namespace quillet
