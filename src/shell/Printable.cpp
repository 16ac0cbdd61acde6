// SPDX-License-Identifier: MIT
#include "shell/Printable.h"

#include <cstdio>

namespace {

void AppendHex(std::string& out, unsigned char byte)
{
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
}

}  // namespace

std::string Printable(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) AppendHex(out, c);
        else if (c == 0xC2 && i + 1 < text.size() &&
                 static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                 static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // A C1 control (U+0080..U+009F): some terminals act on it as on ESC [.
            AppendHex(out, c);
            AppendHex(out, static_cast<unsigned char>(text[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
