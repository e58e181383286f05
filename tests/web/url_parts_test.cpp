#include "web/url_parts.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

struct HostCase {
    const char* name;
    Text url;
    bool mainDomainOnly;
    bool keepPort;
    std::optional<int> levels;
    Text host;
};

class UrlHostCases : public testing::TestWithParam<HostCase> {};

TEST_P(UrlHostCases, FindsHost) {
    const HostCase& c = GetParam();
    EXPECT_EQ(UrlHost(c.url, c.mainDomainOnly, c.keepPort, c.levels), c.host);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UrlHostCases,
    testing::Values(
        HostCase{"SmallLetters", "HTTP://P.Q.R:8080/a/b?x=1", false, false, {}, "p.q.r"},
        HostCase{"KeepPort", "HTTP://P.Q.R:8080/a/b?x=1", false, true, {}, "p.q.r:8080"},
        HostCase{"MainDomain", "HTTP://P.Q.R:8080/a/b?x=1", true, false, {}, "q.r"},
        HostCase{"Https", "https://a.b/c", false, false, {}, "a.b"},
        HostCase{"NoScheme", "p.q.r/a", false, false, {}, "p.q.r"},
        HostCase{"OnlySlashEndsHost", "http://q.r?x=1", false, false, {}, "q.r?x=1"},
        HostCase{"SingleLabelMainDomain", "http://localhost/", true, false, {}, "localhost"},
        HostCase{"Empty", "", false, false, {}, ""},
        HostCase{"LevelsZero", "http://a.b.c.d/", false, false, 0, "c.d"},
        HostCase{"LevelsZeroMain", "http://a.b.c.d/", true, false, 0, "d"},
        HostCase{"LevelsOne", "http://a.b.c.d/", false, false, 1, "b.c.d"},
        HostCase{"LevelsOneMain", "http://a.b.c.d/", true, false, 1, "c.d"},
        HostCase{"LevelsTooFewDots", "http://b.c/", false, false, 3, "b.c"},
        HostCase{"LevelsNegative", "https://a.b.c.d/x", false, false, -2, "c.d"},
        HostCase{"LevelsKeepPort", "http://a.b.c:81/x", false, true, 0, "b.c:81"}),
    [](const auto& row) { return row.param.name; });

struct PortCase {
    const char* name;
    Text url;
    int port;
};

class UrlPortCases : public testing::TestWithParam<PortCase> {};

TEST_P(UrlPortCases, FindsPort) {
    EXPECT_EQ(UrlPort(GetParam().url), GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UrlPortCases,
    testing::Values(PortCase{"Written", "http://q.r:8080/x", 8080},
                    PortCase{"HttpsDefault", "https://q.r/", 443},
                    PortCase{"HttpsCapitals", "HTTPS://q.r/", 443},
                    PortCase{"HttpDefault", "http://q.r/", 80}, PortCase{"NoScheme", "q.r", 80},
                    PortCase{"NotANumber", "http://q.r:x/", 0},
                    PortCase{"HugeNumberHeld", "http://q.r:99999999999/", 0x7FFFFFFF}),
    [](const auto& row) { return row.param.name; });

struct PathCase {
    const char* name;
    Text url;
    Text path;
};

class UrlPathCases : public testing::TestWithParam<PathCase> {};

TEST_P(UrlPathCases, FindsPath) {
    EXPECT_EQ(UrlPath(GetParam().url), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Table, UrlPathCases,
                         testing::Values(PathCase{"PathAndQuery", "http://q.r:8080/a/b?x=1",
                                                  "/a/b?x=1"},
                                         PathCase{"NoPath", "http://q.r", "/"},
                                         PathCase{"HostInCapitals", "HTTP://Q.R/Path", "/Path"},
                                         PathCase{"FragmentKept", "http://q.r/a#f", "/a#f"},
                                         PathCase{"NoScheme", "q.r/x", "/x"}),
                         [](const auto& row) { return row.param.name; });

}  // namespace
}  // namespace quillet
