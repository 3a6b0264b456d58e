#include "metadata/TitleExtraction.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct TitleCase {
    const char* name;
    std::u16string feed;
    std::u16string title; // empty: none found
};

void PrintTo(const TitleCase& c, std::ostream* os) {
    *os << c.name;
}

class ExtractTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ExtractTitleTest, FindsTitle) {
    EXPECT_EQ(ExtractTitle(GetParam().feed), GetParam().title);
}

const TitleCase kMarkerCases[] = {
    {"Plain", u"<title>abc</title>", u"abc"},
    {"AttributesSkipped", u"<entry><title type='text'>abc</title></entry>", u"abc"},
    {"SpacesKept", u"<title>  a b \n</title>", u"  a b \n"},
    {"EmptyElement", u"<title></title>", u""},
    {"Japanese", u"<title>日本語のタイトル</title>", u"日本語のタイトル"},
    {"CapitalMarkers", u"<TITLE>abc</TITLE>", u""},
    {"NoOpeningMarker", u"abc</title>", u""},
    {"NoEndOfTag", u"<title type='text'", u""},
    {"NoClosingMarker", u"<title>abc", u""},
    {"ClosingTagBeforeTitle", u"</title><title>abc</title>", u"abc"},
    {"FirstOfTwo", u"<title>one</title><title>two</title>", u"one"},
    {"PrefixMatchesLongerName", u"<titles>x</titles><b>y</title>", u"x</titles><b>y"},
    {"NestedTagsKept", u"<title>a <b>bold</b> c</title>", u"a <b>bold</b> c"},
    {"CdataNotRecognised", u"<title><![CDATA[a]]></title>", u"<![CDATA[a]]>"},
};

INSTANTIATE_TEST_SUITE_P(Markers, ExtractTitleTest, ::testing::ValuesIn(kMarkerCases),
                         [](const auto& info) { return std::string(info.param.name); });

const TitleCase kReferenceCases[] = {
    {"PredefinedEntities", u"<title>&amp;&lt;&gt;&quot;&apos;</title>", u"&<>\"'"},
    {"DecodedOnce", u"<title>&amp;lt;</title>", u"&lt;"},
    {"Decimal", u"<title>&#12354;&#65;</title>", u"\u3042A"},
    {"Hexadecimal", u"<title>&#x3042;&#x4a;&#x4A;</title>", u"\u3042JJ"},
    {"BeyondBmpBecomesPair", u"<title>&#x1F600;</title>", u"\U0001F600"},
    {"LeadingZeros", u"<title>&#x0000041;</title>", u"A"},
    {"BareAmpersand", u"<title>Tom & Jerry</title>", u"Tom & Jerry"},
    {"NoSemicolon", u"<title>&amp &#65</title>", u"&amp &#65"},
    {"UnknownEntity", u"<title>&nbsp;&AMP;</title>", u"&nbsp;&AMP;"},
    {"EmptyNumbers", u"<title>&#;&#x;</title>", u"&#;&#x;"},
    {"BadDigits", u"<title>&#12a;&#xZ1;</title>", u"&#12a;&#xZ1;"},
    {"CapitalX", u"<title>&#X41;</title>", u"&#X41;"},
    {"BeyondUnicode", u"<title>&#x110000;&#99999999999999999999;</title>",
     u"&#x110000;&#99999999999999999999;"},
    {"NulAndSurrogate", u"<title>&#0;&#xD800;</title>", u"&#0;&#xD800;"},
    {"MalformedThenValid", u"<title>&&amp;</title>", u"&&"},
};

INSTANTIATE_TEST_SUITE_P(References, ExtractTitleTest, ::testing::ValuesIn(kReferenceCases),
                         [](const auto& info) { return std::string(info.param.name); });

std::u16string titled(const std::u16string& title) {
    return u"<entry><title>" + title + u"</title></entry>";
}

const std::u16string k258(258, u'a');
const TitleCase kKeptCases[] = {
    {"Short", titled(u"Tom &amp; Jerry"), u"Tom & Jerry"},
    {"None", u"<entry/>", u""},
    {"ExactlyTheLimit", titled(k258 + u"b"), k258 + u"b"},
    {"OneBeyond", titled(k258 + u"bc"), k258 + u"b"},
    {"PairAcrossTheLimit", titled(k258 + u"😀"), k258},
    {"ReferencedPairAcrossTheLimit", titled(k258 + u"&#x1F600;"), k258},
    {"PairBeforeTheLimit", titled(u"😀" + k258), u"😀" + k258.substr(1)},
    {"ReferenceAtTheLimit", titled(k258 + u"&amp;x"), k258 + u"&"},
    {"TwelveMillionUnits", titled(std::u16string(12'000'000, u'x')), std::u16string(259, u'x')},
};

class TakeTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TakeTitleTest, KeepsWhatAProfileReadGivesBack) {
    EXPECT_EQ(TakeTitle(GetParam().feed), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Table, TakeTitleTest, ::testing::ValuesIn(kKeptCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
