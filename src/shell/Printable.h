// SPDX-License-Identifier: MIT
// Text from outside (command-line arguments, file names, names read from files) made safe to
// echo in a message: a control character in it would otherwise move the cursor, clear the
// screen or recolour the terminal, or break the one line a message is.
#pragma once

#include <string>

// text with every control character written as an escape: "\n", "\r", "\t", and "\xHH" for the
// others (bytes below 0x20, 0x7F, and the C1 controls U+0080..U+009F in their UTF-8 form).
// Everything else, backslashes and other UTF-8 included, stays as it is.
std::string Printable(const std::string& text);
