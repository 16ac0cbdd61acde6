// SPDX-License-Identifier: MIT
// The tools' temporary files: gone on every way out the tool controls, Ctrl+C and SIGTERM
// included, and never anything that was not the tool's own. Each signal case runs in a child
// process, which the signal ends.
#include "TempFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class TempFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("qb_tempfile_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Make(const char* name) const
    {
        const std::string path = (dir / name).string();
        std::ofstream(path) << "partial";
        return path;
    }

    // Runs body in a child process; the child's wait status.
    template <typename Body>
    int InChild(Body body)
    {
        pid_t pid = fork();
        if (pid == 0) {
            body();
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return status;
    }

    fs::path dir;
};

TEST_F(TempFileTest, GoesWhenItsScopeEndsUnlessForgotten)
{
    const std::string left = Make("left.tmp"), renamed = Make("renamed.tmp");
    {
        TempFile a(left);
        TempFile b(renamed);
        b.Forget();  // as after renaming it into place: whatever has that name now stays
    }
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(renamed));
}

TEST_F(TempFileTest, AStopSignalRemovesEveryLiveOneAndStillStopsTheTool)
{
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        const std::string first = Make("first.tmp"), second = Make("second.tmp");
        const std::string kept = Make("kept.tmp"), earlier = Make("earlier.tmp");
        int status = InChild([&] {
            {
                TempFile gone(earlier);
            }  // its scope ended before: removed then
            std::ofstream(earlier) << "someone else's now";
            TempFile a(first), b(second), c(kept);
            c.Forget();
            std::raise(sig);
            _exit(3);  // not reached: the signal ends the process
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), sig);
        EXPECT_FALSE(fs::exists(first));
        EXPECT_FALSE(fs::exists(second));
        EXPECT_TRUE(fs::exists(kept));
        EXPECT_TRUE(fs::exists(earlier));
    }
}

// Once the last one is gone the handlers that were there before are back: a program running
// the tools' code in its own process keeps its own.
TEST_F(TempFileTest, TheHandlersBeforeComeBack)
{
    int status = InChild([&] {
        std::signal(SIGINT, [](int) { _exit(7); });
        {
            TempFile a(Make("a.tmp"));
        }
        std::raise(SIGINT);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
