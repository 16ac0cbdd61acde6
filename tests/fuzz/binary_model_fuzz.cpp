// SPDX-License-Identifier: MIT
// Binary model data from the fuzzer, loaded as the game loads its three models. Whatever loads
// must encode again, and the encoded form must load back to the same bytes.
#include "FuzzSupport.h"

#include <vector>

#include "render/ModelFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Model model;
    std::string why;
    size_t used = 0;
    if (!LoadBinaryModel(model, data, size, &why, &used)) {
        FUZZ_CHECK(model.count == 0 && !why.empty());
        return 0;
    }
    FUZZ_CHECK(used <= size);
    std::vector<uint8_t> once;
    FUZZ_CHECK(EncodeBinaryModel(model, once, &why));
    Model again;
    FUZZ_CHECK(LoadBinaryModel(again, once.data(), once.size(), &why));
    std::vector<uint8_t> twice;
    FUZZ_CHECK(EncodeBinaryModel(again, twice, &why));
    FUZZ_CHECK(once == twice);
    return 0;
}
