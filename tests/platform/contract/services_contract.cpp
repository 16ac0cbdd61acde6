// SPDX-License-Identifier: MIT
// The clock, the calendar and the file operation every backend carries.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "contract/Contract.h"
#include "platform/Files.h"
#include "support/TestFiles.h"

namespace contract {
namespace {

using Services = ContractTest;

// Ticks counts milliseconds: time let pass shows in full, and not a thousand times over.
TEST_F(Services, TicksCountMilliseconds)
{
    for (uint32_t ms : {1u, 40u, 250u}) {
        const uint32_t t0 = plat::Ticks();
        LetTimePass(ms);
        const uint32_t t1 = plat::Ticks();
        EXPECT_GE(t1 - t0, ms);
        EXPECT_LT(t1 - t0, ms + 10000) << "a millisecond clock, not a finer one";
    }
    EXPECT_GT(plat::CalendarTime(), 1600000000) << "seconds since 1970";
}

// Replacing an existing file in one step; a failed rename leaves the target as it was.
TEST_F(Services, RenameReplacesAndAFailureLeavesTheTarget)
{
    test::TempDir dir("contract-files");
    const std::string from = dir.Write("new.txt", "new");
    const std::string to = dir.Write("old.txt", "old");
    ASSERT_TRUE(plat::RenameReplacing(from.c_str(), to.c_str()));
    EXPECT_EQ(test::ReadFile(to), "new");
    EXPECT_FALSE(test::Exists(from));

    const std::string missing = dir.Path("missing.txt");
    EXPECT_FALSE(plat::RenameReplacing(missing.c_str(), to.c_str()));
    EXPECT_EQ(test::ReadFile(to), "new");
    EXPECT_FALSE(plat::RenameReplacing(nullptr, to.c_str()));
    EXPECT_FALSE(plat::RenameReplacing(to.c_str(), nullptr));
    EXPECT_EQ(test::ReadFile(to), "new");
}

}  // namespace
}  // namespace contract
