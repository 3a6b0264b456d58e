#include "request/VideoReference.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct ReferenceCase {
    const char* name;
    std::u16string typed;
    std::u16string expected; // empty: rejected
};

void PrintTo(const ReferenceCase& c, std::ostream* os) {
    *os << c.name;
}

class VideoReferenceTest : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(VideoReferenceTest, ReducesTypedTextToId) {
    EXPECT_EQ(ParseVideoReference(GetParam().typed), GetParam().expected);
}

const ReferenceCase kCases[] = {
    {"BareId", u"Ab3dE5gH1jK", u"Ab3dE5gH1jK"},
    {"Empty", u"", u""},
    {"TenCharacters", u"Ab3dE5gH1j", u""},
    {"IdWithTrailingSpace", u"Ab3dE5gH1jK ", u""},
    {"LeadingSpaceKept", u" Ab3dE5gH1j", u" Ab3dE5gH1j"},
    {"ElevenWithPunctuation", u"a&b?c/d#e f", u"a&b?c/d#e f"},
    {"ElevenJapanese", u"あいうえおかきくけこさ", u"あいうえおかきくけこさ"},
    {"WatchAddress", u"http://www.youtube.com/watch?v=Ab3dE5gH1jK", u"Ab3dE5gH1jK"},
    {"FurtherParameters", u"http://www.youtube.com/watch?v=Ab3dE5gH1jK&list=PL1&t=3",
     u"Ab3dE5gH1jK"},
    {"LaterParameter", u"http://www.youtube.com/watch?feature=share&v=Ab3dE5gH1jK", u"Ab3dE5gH1jK"},
    {"EarlierNameEndingInV", u"http://www.youtube.com/watch?lv=xyz&v=Ab3dE5gH1jK", u"xyz&v=Ab3dE"},
    {"ShortIdAtEnd", u"http://www.youtube.com/watch?v=abc", u"abc"},
    {"ShortIdThenParameters", u"http://www.youtube.com/watch?v=abc&t=10s&x", u"abc&t=10s&x"},
    {"EndsInMarker", u"http://www.youtube.com/watch?v=", u""},
    {"NoParameterMarker", u"http://youtu.be/Ab3dE5gH1jK", u""},
    {"MarkerBeforeAddress", u"v=Ab3dE5gH1jK http://x", u"Ab3dE5gH1jK"},
    {"SecureScheme", u"https://www.youtube.com/watch?v=Ab3dE5gH1jK", u"Ab3dE5gH1jK"},
    {"SecureShortLinkWithoutMarker", u"https://youtu.be/Ab3dE5gH1jK", u""},
    {"SchemeInCapitals", u"HTTP://www.youtube.com/watch?v=Ab3dE5gH1jK", u""},
    {"SecureSchemeInCapitals", u"HTTPS://www.youtube.com/watch?v=Ab3dE5gH1jK", u""},
    {"MarkerWithoutAddress", u"v=Ab3dE5gH1jK", u""},
    {"ElevenWithAddressNoMarker", u"http://abcd", u""},
    {"ElevenWithAddressAndMarker", u"http://v=ab", u"ab"},
    {"CapitalParameterMarker", u"http://www.youtube.com/watch?V=Ab3dE5gH1jK", u""},
    {"NoDecoding", u"http://x/watch?v=%41b3dE5gH1j", u"%41b3dE5gH1"},
};

INSTANTIATE_TEST_SUITE_P(Table, VideoReferenceTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
