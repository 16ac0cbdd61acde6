// SPDX-License-Identifier: MIT
#include "platform/Detail.h"

#include <string>

#include "platform/Platform.h"

namespace plat {

namespace {
std::string gLastError;
}  // namespace

const char* LastError() { return gLastError.c_str(); }

void detail::SetError(const char* what) { gLastError = what ? what : ""; }

}  // namespace plat
