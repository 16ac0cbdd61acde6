// SPDX-License-Identifier: MIT
// The entry point of the contract suite in the browser. The program sleeps in its waits
// (ASYNCIFY), and a main that has slept does not hand its return value to the page: the
// result leaves through an explicit exit.
#include <emscripten.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    emscripten_force_exit(result);
    return result;
}
