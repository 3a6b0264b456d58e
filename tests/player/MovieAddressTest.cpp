#include "player/MovieAddress.h"

#include "res/Texts.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct AddressCase {
    const char* name;
    std::string prefix;
    std::u16string id;
    std::string expected;
};

void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.name;
}

class MovieAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(MovieAddressTest, IsPrefixThenEncodedIdThenQuery) {
    EXPECT_EQ(BuildMovieAddress(GetParam().prefix, GetParam().id), GetParam().expected);
}

const std::string kService(texts::kDefaultPlayerUrl);
const std::string kQuery = "?version=3&rel=0&autoplay=1&loop=1";

const AddressCase kCases[] = {
    {"ServiceId", kService, u"Ab3dE5gH1jK",
     "http://www.youtube.com/v/Ab3dE5gH1jK?version=3&rel=0&autoplay=1&loop=1"},
    {"EmptyId", kService, u"", "http://www.youtube.com/v/" + kQuery},
    {"UnreservedKept", kService, u"a-b.c_d~9Z", kService + "a-b.c_d~9Z" + kQuery},
    {"AmpersandAndEquals", kService, u"a&loop=0", kService + "a%26loop%3D0" + kQuery},
    {"QuestionMark", kService, u"x?rel=1", kService + "x%3Frel%3D1" + kQuery},
    {"PathAndFragment", kService, u"../x#y", kService + "..%2Fx%23y" + kQuery},
    {"SpaceAndPercent", kService, u"a b%", kService + "a%20b%25" + kQuery},
    {"Japanese", kService, u"あ", kService + "%E3%81%82" + kQuery},
    {"OtherPrefix", "http://127.0.0.1:8080/v/", u"id", "http://127.0.0.1:8080/v/id" + kQuery},
    // The engine has no way to keep dot segments as they stand: the encoding must.
    {"Dot", kService, u".", kService + "%2E" + kQuery},
    {"DotDot", kService, u"..", kService + "%2E%2E" + kQuery},
    {"DotDotThenName", kService, u"../x", kService + "..%2Fx" + kQuery},
    {"EncodedDotDot", kService, u"%2e%2e", kService + "%252e%252e" + kQuery},
};

INSTANTIATE_TEST_SUITE_P(Table, MovieAddressTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
