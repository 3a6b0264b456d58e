#include "service/ServicePlayback.h"

#include "player/MovieAddress.h"
#include "res/Texts.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct AddressCase {
    const char* name;
    std::string address;
    bool service;
};

void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.name;
}

class ServiceAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(ServiceAddressTest, TellsTheServicesPagesFromDirectMedia) {
    EXPECT_EQ(IsServiceAddress(GetParam().address), GetParam().service);
}

const AddressCase kAddressCases[] = {
    {"DefaultMovieAddress", BuildMovieAddress(texts::kDefaultPlayerUrl, u"Ab3dE5gH1jK"), true},
    {"Secure", "https://www.youtube.com/watch?v=Ab3dE5gH1jK", true},
    {"OtherHostOfTheDomain", "https://m.youtube.com/watch?v=x", true},
    {"BareDomain", "http://youtube.com/v/x", true},
    {"CapitalsAndPort", "HTTP://WWW.YouTube.COM:80/v/x", true},
    {"FullyQualified", "http://www.youtube.com./v/x", true},
    {"NoPath", "http://www.youtube.com", true},
    {"Loopback", "http://127.0.0.1:8080/v/x?version=3", false},
    {"LookalikeDomain", "http://notyoutube.com/v/x", false},
    {"DomainAsSubdomain", "http://youtube.com.example.org/v/x", false},
    {"DomainInPath", "http://127.0.0.1/www.youtube.com/v/x", false},
    {"DomainInQuery", "http://127.0.0.1/?u=http://www.youtube.com/", false},
    {"UserInformationIsNotTheHost", "http://www.youtube.com@127.0.0.1/v/x", false},
    {"BackslashEndsTheHost", "http://127.0.0.1\\@www.youtube.com/v/x", false},
    {"PlainFile", "/home/me/www.youtube.com/clip.webm", false},
    {"OtherScheme", "ftp://www.youtube.com/v/x", false},
    {"Empty", "", false},
};

INSTANTIATE_TEST_SUITE_P(Table, ServiceAddressTest, ::testing::ValuesIn(kAddressCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FormatCase {
    const char* name;
    FormatNeeds needs;
    std::string format;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class YtDlpFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(YtDlpFormatTest, FitsTheScreenAndTheDecoder) {
    EXPECT_EQ(BuildYtDlpFormat(GetParam().needs), GetParam().format);
}

const std::string kSoftware1080 =
    "bv[height<=1080][vcodec!^=av01]+ba/bv[height<=1080]+ba/b[height<=1080]/b";

const FormatCase kFormatCases[] = {
    {"FullHdScreenInSoftware", {1080, false, {}}, kSoftware1080},
    {"UnknownScreen", {0, false, {}}, kSoftware1080},
    {"LargerScreensStillCapped", {2160, false, {true, true, true}}, kSoftware1080},
    {"SmallerScreen",
     {768, false, {}},
     "bv[height<=768][vcodec!^=av01]+ba/bv[height<=768]+ba/b[height<=768]/b"},
    {"HardwareWithoutKnownCodecs", {1080, true, {}}, kSoftware1080},
    {"HardwareH264",
     {1080, true, {true, false, false}},
     "bv[height<=1080][vcodec^=avc1]+ba/" + kSoftware1080},
    {"HardwareVp9AndH264",
     {720, true, {true, true, false}},
     "bv[height<=720][vcodec^=vp09]+ba/bv[height<=720][vcodec^=vp9]+ba/"
     "bv[height<=720][vcodec^=avc1]+ba/"
     "bv[height<=720][vcodec!^=av01]+ba/bv[height<=720]+ba/b[height<=720]/b"},
    {"ChosenHeightBeatsTheScreen",
     {1080, false, {}, 360},
     "bv[height<=360][vcodec!^=av01]+ba/bv[height<=360]+ba/b[height<=360]/wv*+ba/w"},
    {"ChosenHeightAboveTheCap",
     {1080, false, {}, 2160},
     "bv[height<=2160][vcodec!^=av01]+ba/bv[height<=2160]+ba/b[height<=2160]/wv*+ba/w"},
    {"HardwareAv1First",
     {1080, true, {true, true, true}},
     "bv[height<=1080][vcodec^=av01]+ba/bv[height<=1080][vcodec^=vp09]+ba/"
     "bv[height<=1080][vcodec^=vp9]+ba/bv[height<=1080][vcodec^=avc1]+ba/" +
         kSoftware1080},
};

INSTANTIATE_TEST_SUITE_P(Table, YtDlpFormatTest, ::testing::ValuesIn(kFormatCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadPlanTest, ServiceAddressGoesToYtDlpAtOnceWithItsFormat) {
    const std::string address = BuildMovieAddress(texts::kDefaultPlayerUrl, u"Ab3dE5gH1jK");
    const LoadPlan plan = PlanLoad(address, {720, false, {}}, "");
    EXPECT_EQ(plan.url, "ytdl://" + address);
    EXPECT_EQ(plan.ytdlFormat, BuildYtDlpFormat({720, false, {}}));
    EXPECT_EQ(AddressOfLoad(plan.url), address);
}

TEST(LoadPlanTest, OverrideReplacesTheFormatOfServiceAddressesOnly) {
    const LoadPlan service = PlanLoad("https://www.youtube.com/watch?v=x", {}, "worst");
    EXPECT_EQ(service.ytdlFormat, "worst");
    const LoadPlan direct = PlanLoad("http://127.0.0.1:1/v/x", {}, "worst");
    EXPECT_EQ(direct.url, "http://127.0.0.1:1/v/x");
    EXPECT_EQ(direct.ytdlFormat, "");
}

TEST(LoadPlanTest, AddressOfLoadKeepsOtherAddresses) {
    EXPECT_EQ(AddressOfLoad("http://127.0.0.1:1/v/x"), "http://127.0.0.1:1/v/x");
    EXPECT_EQ(AddressOfLoad("ytdl://http://127.0.0.1/v/x"), "ytdl://http://127.0.0.1/v/x");
}

} // namespace
} // namespace kestrova
