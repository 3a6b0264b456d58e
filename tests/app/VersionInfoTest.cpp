#include "process/VersionInfo.h"

#include "res/ProgramVersion.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

VersionBlock blockWith(std::vector<VersionTranslation> translations, std::u16string key,
                       std::u16string productVersion) {
    VersionBlock block;
    block.translations = std::move(translations);
    block.strings = {{u"\\StringFileInfo\\" + key + u"\\ProductVersion", productVersion}};
    return block;
}

class VersionLabelTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetVersionLabel(); }
    void TearDown() override {
        VersionReaderSeam().install({});
        ForgetVersionLabel();
    }

    // Serves the block, or a failed read.
    void serve(std::optional<VersionBlock> block) {
        VersionReaderSeam().install([block] { return block; });
    }
};

TEST_F(VersionLabelTest, ProgramVersionComesFromTheProject) {
    EXPECT_EQ(GetVersionLabel(), u"Ver.:" + std::u16string(kProgramVersion));
}

struct LabelCase {
    const char* name;
    std::optional<VersionBlock> block;
    std::u16string expected;
};

void PrintTo(const LabelCase& c, std::ostream* os) {
    *os << c.name;
}

class VersionLabelCases : public VersionLabelTest,
                          public ::testing::WithParamInterface<LabelCase> {};

TEST_P(VersionLabelCases, LabelFromTheBlock) {
    serve(GetParam().block);
    EXPECT_EQ(GetVersionLabel(), GetParam().expected);
}

const LabelCase kLabelCases[] = {
    {"Unreadable", std::nullopt, u""},
    {"NoTranslation", blockWith({}, u"041104b0", u"1.0"), u""},
    {"NoProductVersion", blockWith({{0x0411, 0x04B0}}, u"040904e4", u"1.0"), u""},
    {"KeyInLowerCaseHex", blockWith({{0x0409, 0x04E4}}, u"040904e4", u"2.5"), u"Ver.:2.5"},
    {"FirstTranslationOnly", blockWith({{0x0409, 0x04E4}, {0x0411, 0x04B0}}, u"041104b0", u"3.0"),
     u""},
    {"LongVersionFitsTheStore",
     blockWith({{0x0411, 0x04B0}}, u"041104b0", std::u16string(300, u'9')),
     u"Ver.:" + std::u16string(250, u'9')},
};

INSTANTIATE_TEST_SUITE_P(Table, VersionLabelCases, ::testing::ValuesIn(kLabelCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct TextCase {
    const char* name;
    std::u16string label;
    std::u16string expected;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class AboutVersionTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(AboutVersionTextTest, DotsBecomeDashesExceptThePrefix) {
    EXPECT_EQ(AboutVersionText(GetParam().label), GetParam().expected);
}

const TextCase kTextCases[] = {
    {"FourParts", u"Ver.:2.0.3.41", u"Kestrova Ver.:2-0-3-41"},
    {"Empty", u"", u"Kestrova "},
    {"QuestionMarksBecomePrefixColon", u"Ver.:1.0??beta", u"Kestrova Ver.:1-0.:beta"},
    {"DotBeforeColonInsideVersion", u"Ver.:1.:2.3", u"Kestrova Ver.:1.:2-3"},
};

INSTANTIATE_TEST_SUITE_P(Table, AboutVersionTextTest, ::testing::ValuesIn(kTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
