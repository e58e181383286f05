#include "text/url_encode.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

struct UrlCase {
    const char* name;
    const char* text;
    bool keepUnreserved;
    bool asUtf8;
    const char* expected;
};

class UrlEncodeCases : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlEncodeCases, Encodes) {
    const UrlCase& c = GetParam();
    EXPECT_EQ(UrlEncode(c.text, c.keepUnreserved, c.asUtf8), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UrlEncodeCases,
    testing::Values(
        UrlCase{"Empty", "", true, true, ""},
        UrlCase{"EveryByteEscaped", "abc", false, false, "%61%62%63"},
        UrlCase{"SpaceAndLineFeed", "a b\n", true, false, "a%20b%0A"},
        UrlCase{"KeptSetIsExact", "A-Z_a~z.0/9", true, false, "A-Z%5Fa%7Ez.0%2F9"},
        UrlCase{"GbkBytes", "中", true, false, "%D6%D0"},
        UrlCase{"Utf8Bytes", "中", true, true, "%E4%B8%AD"},
        UrlCase{"Blanks", "   ", false, true, "%20%20%20"},
        UrlCase{"SearchBoxText", "让我们一起微笑吧", false, true,
                "%E8%AE%A9%E6%88%91%E4%BB%AC%E4%B8%80%E8%B5%B7%E5%BE%AE%E7%AC%91%E5%90%A7"}),
    [](const auto& row) { return row.param.name; });

}  // namespace
}  // namespace quillet
