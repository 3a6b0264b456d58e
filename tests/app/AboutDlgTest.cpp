#include "ModalRun.h"
#include "app/CAboutDlg.h"
#include "process/VersionInfo.h"
#include "support/AboutLine.h"
#include "widgets/DialogBuilder.h"
#include "widgets/OpenUrl.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

class AboutDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetVersionLabel();
        OpenUrlSeam().install([this](const QUrl& url) { m_opened.push_back(url); });
    }
    void TearDown() override {
        OpenUrlSeam().install({});
        VersionReaderSeam().install({});
        ForgetVersionLabel();
    }

    void serveProductVersion(std::optional<std::u16string> version) {
        VersionReaderSeam().install([this, version]() -> std::optional<VersionBlock> {
            ++m_reads;
            if (!version) {
                return std::nullopt;
            }
            VersionBlock block;
            block.translations = {{0x0411, 0x04B0}};
            block.strings = {{u"\\StringFileInfo\\041104b0\\ProductVersion", *version}};
            return block;
        });
    }

    // The version line of an About box, read while it runs modally.
    QString versionLineOfAboutBox() {
        CAboutDlg about;
        QString line;
        test::RunModal(about, [&] {
            line = findControl<QLabel>(&about, ids::kVersionText)->text();
            about.reject();
        });
        return line;
    }

    std::vector<QUrl> m_opened;
    int m_reads = 0;
};

TEST_F(AboutDlgTest, ShowsTheProgramVersionWithDashes) {
    EXPECT_EQ(versionLineOfAboutBox(), test::ProgramAboutLine());
}

TEST_F(AboutDlgTest, SecondOpeningDoesNotReadTheVersionAgain) {
    serveProductVersion(u"2.0.3.41");
    EXPECT_EQ(versionLineOfAboutBox(), QStringLiteral("Kestrova Ver.:2-0-3-41"));
    EXPECT_EQ(versionLineOfAboutBox(), QStringLiteral("Kestrova Ver.:2-0-3-41"));
    EXPECT_EQ(m_reads, 1);
}

TEST_F(AboutDlgTest, UnreadableVersionShowsTheNameAloneAndIsRetried) {
    serveProductVersion(std::nullopt);
    EXPECT_EQ(versionLineOfAboutBox(), QStringLiteral("Kestrova "));
    EXPECT_EQ(versionLineOfAboutBox(), QStringLiteral("Kestrova "));
    EXPECT_EQ(m_reads, 2);
}

TEST_F(AboutDlgTest, LinkOpensTheHomePageAndTheBoxStaysOpen) {
    CAboutDlg about;
    bool stillOpen = false;
    const int result = test::RunModal(about, [&] {
        auto* link = findControl<QLabel>(&about, ids::kMakerLink);
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(8, link->height() / 2));
        stillOpen = about.isVisible();
        about.reject();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened.front(), QUrl(QStringLiteral("https://corvanel.example.org/")));
}

struct EndCase {
    const char* name;
    std::function<void(CAboutDlg&)> end;
    int result;
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

class AboutDlgEndTest : public AboutDlgTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(AboutDlgEndTest, EndsTheModalRun) {
    CAboutDlg about;
    EXPECT_EQ(test::RunModal(about, [&] { GetParam().end(about); }), GetParam().result);
}

const EndCase kEndCases[] = {
    {"OkButton",
     [](CAboutDlg& d) {
         QTest::mouseClick(findControl<QPushButton>(&d, ids::kOk), Qt::LeftButton);
     },
     QDialog::Accepted},
    {"EnterPressesOk", [](CAboutDlg& d) { QTest::keyClick(&d, Qt::Key_Return); },
     QDialog::Accepted},
    {"Escape", [](CAboutDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, QDialog::Rejected},
    {"CloseBox", [](CAboutDlg& d) { d.close(); }, QDialog::Rejected},
};

INSTANTIATE_TEST_SUITE_P(Table, AboutDlgEndTest, ::testing::ValuesIn(kEndCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
