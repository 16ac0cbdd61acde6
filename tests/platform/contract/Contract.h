// SPDX-License-Identifier: MIT
// What the tests of the platform contract share: the fixture that makes windows and records
// what their procedure hears, and the messages the contract numbers.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/Platform.h"
#include "contract/Driver.h"

namespace contract {

// What a window procedure heard, in order; only the messages the contract numbers (a host
// sends many more of its own).
extern std::vector<plat::Message> gHeard;
bool IsContractMessage(uint32_t message);
// A window procedure that records, then hands every message to the default handling.
void RecordingProc(plat::NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

class ContractTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A 640 x 480 window with RecordingProc (or proc); the test fails when there is none.
    plat::NativeWindow MakeWindow(const char* title, plat::WindowProc proc = RecordingProc,
                                  int width = 640, int height = 480);
    // Handles every waiting message as a program's loop does (translate, dispatch); returns
    // the messages that have no window (quit), which reach no procedure.
    std::vector<plat::Message> Pump();
    // Pumps until the procedure has heard a message, or the wait's limit; false then.
    bool PumpUntilHeard(uint32_t message);
    // The contract messages heard so far, as a list of their numbers.
    static std::vector<uint32_t> HeardMessages();

    std::vector<plat::NativeWindow> windows;  // made by MakeWindow, closed by TearDown
};

}  // namespace contract
