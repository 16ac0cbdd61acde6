// SPDX-License-Identifier: MIT
// What the player is told: the usage text goes to the console, or to a box when there is no
// console; every problem line goes to standard error and to a box without the program's name;
// lines reported while the boxes are held come out together in one box of the worst kind.
#include "game/PlayerMessages.h"

#include <gtest/gtest.h>

#include "platform/FakePlatform.h"

namespace {

using plat::Notice;

struct PlayerMessages : ::testing::Test {
    void SetUp() override { plat::fake::Reset(); }
    void TearDown() override { plat::fake::Reset(); }
};

TEST_F(PlayerMessages, UsageGoesToTheConsoleOrElseToABox)
{
    ShowPlayerText("quenbrill 1.0.0\n");
    EXPECT_EQ(plat::fake::ConsoleText(), "quenbrill 1.0.0\n");
    EXPECT_TRUE(plat::fake::Notices().empty());

    plat::fake::SetConsoleAvailable(false);
    ShowPlayerText("Usage: quenbrill [OPTION]...\n");
    ASSERT_EQ(plat::fake::Notices().size(), 1u);
    EXPECT_EQ(plat::fake::Notices()[0].kind, Notice::Information);
    EXPECT_EQ(plat::fake::Notices()[0].title, "Quenbrill");
    EXPECT_EQ(plat::fake::Notices()[0].text, "Usage: quenbrill [OPTION]...\n");
}

TEST_F(PlayerMessages, AProblemIsOneLineOnStandardErrorAndABoxWithoutTheName)
{
    ::testing::internal::CaptureStderr();
    ReportProblem(Notice::Error, "quenbrill: unknown option \"-x\" (try --help)\n");
    ReportProblem(Notice::Warning, "no prefix here\n\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quenbrill: unknown option \"-x\" (try --help)\nno prefix here\n\n");
    const auto& shown = plat::fake::Notices();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind, Notice::Error);
    EXPECT_EQ(shown[0].text, "unknown option \"-x\" (try --help)");
    EXPECT_EQ(shown[1].kind, Notice::Warning);
    EXPECT_EQ(shown[1].text, "no prefix here");

    // Without a console the box still comes (the line reaches no one else).
    plat::fake::SetConsoleAvailable(false);
    ReportProblem(Notice::Error, "quenbrill: cannot create an OpenGL context\n");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text, "cannot create an OpenGL context");
}

TEST_F(PlayerMessages, HeldReportsComeOutInOneBoxOfTheWorstKind)
{
    struct Case {
        std::vector<Notice> kinds;
        Notice box;
    };
    const Case cases[] = {
        {{Notice::Warning}, Notice::Warning},
        {{Notice::Warning, Notice::Error, Notice::Warning}, Notice::Error},
        {{Notice::Information, Notice::Warning}, Notice::Warning},
    };
    for (const Case& c : cases) {
        plat::fake::Reset();
        std::string expected;
        {
            HeldProblemReports outer;
            {
                HeldProblemReports inner;  // holds nest: only the outermost lets them out
                for (size_t i = 0; i < c.kinds.size(); ++i) {
                    ReportProblem(c.kinds[i], "quenbrill: line " + std::to_string(i) + "\n");
                    expected += (i ? "\n\n" : "") + ("line " + std::to_string(i));
                }
            }
            EXPECT_TRUE(plat::fake::Notices().empty());
        }
        ASSERT_EQ(plat::fake::Notices().size(), 1u);
        EXPECT_EQ(plat::fake::Notices()[0].kind, c.box);
        EXPECT_EQ(plat::fake::Notices()[0].text, expected);
        // Nothing held afterwards: the next report shows at once, of its own kind.
        ReportProblem(Notice::Information, "quenbrill: later\n");
        ASSERT_EQ(plat::fake::Notices().size(), 2u);
        EXPECT_EQ(plat::fake::Notices()[1].kind, Notice::Information);
        EXPECT_EQ(plat::fake::Notices()[1].text, "later");
    }
    plat::fake::Reset();
    {
        HeldProblemReports nothing;
    }
    EXPECT_TRUE(plat::fake::Notices().empty()) << "no box for nothing";
}

}  // namespace
