// SPDX-License-Identifier: MIT
// Between the files of the platform backends (not part of the contract).
#pragma once

namespace plat::detail {

void SetError(const char* what);  // LastError() = what
void EndSession();  // calls the SetSessionEndProc procedure, once

}  // namespace plat::detail
