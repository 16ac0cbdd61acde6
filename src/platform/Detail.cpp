// SPDX-License-Identifier: MIT
#include "platform/Detail.h"

#include <string>

#include "platform/Platform.h"

namespace plat {

namespace {
std::string gLastError;
SessionEndProc gSessionEnd = nullptr;
}  // namespace

const char* LastError() { return gLastError.c_str(); }

void detail::SetError(const char* what) { gLastError = what ? what : ""; }

void SetSessionEndProc(SessionEndProc proc) { gSessionEnd = proc; }

void detail::EndSession()
{
    SessionEndProc proc = gSessionEnd;
    gSessionEnd = nullptr;
    if (proc) proc();
}

}  // namespace plat
