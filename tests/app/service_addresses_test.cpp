#include "app/service_addresses.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(ServiceAddresses, BuildsTheThreeEndpoints) {
    const ServiceHosts hosts{"search.example:8080", "info.example", "convert.example"};
    EXPECT_EQ(SearchAddress(hosts, "   "),
              "http://search.example:8080/webmusic/getsjplayinfo?flag=6&pn=1&pr=500&type=music"
              "&key=%20%20%20");
    EXPECT_EQ(SearchAddress(hosts, "中a"),
              "http://search.example:8080/webmusic/getsjplayinfo?flag=6&pn=1&pr=500&type=music"
              "&key=%E4%B8%AD%61");
    EXPECT_EQ(SongInfoAddress(hosts, "MUSIC_1 x"),
              "http://info.example/webmusic/st/getNewMuiseByRid?rid=MUSIC_1 x");
    EXPECT_EQ(ConvertAddress(hosts, "MUSIC_1"),
              "http://convert.example/anti.s?type=convert_url&response=url&rid=MUSIC_1&format=mp3");
}

TEST(ServiceAddresses, DefaultHosts) {
    const ServiceHosts hosts;
    EXPECT_EQ(hosts.search, "player.kuwo.cn");
    EXPECT_EQ(hosts.info, "player.kuwo.cn");
    EXPECT_EQ(hosts.convert, "antiserver.kuwo.cn");
}

TEST(ServiceAddresses, HostOverrides) {
    for (const char* good : {"127.0.0.1:8080", "localhost", "a-b.example.cn:1", "h:65535"}) {
        EXPECT_TRUE(IsValidHost(good)) << good;
    }
    for (const char* bad :
         {"", ":80", "h:", "h:0", "h:65536", "h:80x", "a/b", "a b", "h?x=1", "user@h", "h:-1"}) {
        EXPECT_FALSE(IsValidHost(bad)) << bad;
    }
}

}  // namespace
}  // namespace quillet
