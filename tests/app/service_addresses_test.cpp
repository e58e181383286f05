#include "app/service_addresses.h"

#include <gtest/gtest.h>

#include "app/service_settings.h"
#include "tests/support/temp_dir.h"

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

TEST(ServiceSettings, ProxyComesFromTheNetworkSection) {
    testing_support::TempDir dir;
    const std::string ini = dir.File("yyst.ini");
    struct Case {
        std::string file;
        Text proxy;
    };
    for (const Case& c : {Case{"[network]\r\nproxy=127.0.0.1:3128\r\n", "127.0.0.1:3128"},
                          Case{"[network]\r\nproxy=not a host\r\n", ""},
                          Case{"[service]\r\nproxy=127.0.0.1:3128\r\n", ""}, Case{"", ""}}) {
        testing_support::WriteFileBytes(ini, c.file);
        const ServiceHosts hosts = ReadServiceHosts(ini);
        EXPECT_EQ(hosts.proxy, c.proxy) << c.file;
        EXPECT_EQ(hosts.search, ServiceHosts().search);
    }
}

}  // namespace
}  // namespace quillet
