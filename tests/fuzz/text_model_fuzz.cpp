// SPDX-License-Identifier: MIT
// A text model file from the fuzzer, read by the model library. A model that reads whole and
// whose names the text form can hold must write and read back with the same shape.
#include "FuzzSupport.h"

#include "render/ModelFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string in = fuzz::ScratchPath("in.txt");
    static const std::string out = fuzz::ScratchPath("out.txt");
    if (!fuzz::WriteFile(in, data, size)) return 0;
    Model model;
    std::string why;
    bool loaded = LoadTextModel(model, in.c_str(), &why);
    if (loaded && TextFormHolds(model) && SaveTextModel(model, out.c_str())) {
        Model again;
        FUZZ_CHECK(LoadTextModel(again, out.c_str(), &why));
        FUZZ_CHECK(again.count == model.count);
        for (int32_t k = 0; k < model.count; ++k) {
            FUZZ_CHECK(again.objects[k].pointCount == model.objects[k].pointCount);
            FUZZ_CHECK(again.objects[k].triangleCount == model.objects[k].triangleCount);
        }
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
