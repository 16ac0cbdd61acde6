// SPDX-License-Identifier: MIT
#include "MediaChecks.h"

#include <cstdio>

#include "render/Model.h"
#include "render/ModelFile.h"
#include "platform/Files.h"

namespace mediagen {

const ModelRules& RulesFor(ModelKind kind)
{
    static const ModelRules player{"player ship", {"W0", "W1", "W2", "W3", "V"}, 4.0f, 8.0f, false};
    static const ModelRules fighter{"enemy fighter", {"W0", "W1"}, 4.0f, 7.0f, false};
    static const ModelRules factory{"factory", {}, 28.0f, 40.0f, true};
    switch (kind) {
        case ModelKind::PlayerShip:
            return player;
        case ModelKind::EnemyFighter:
            return fighter;
        default:
            return factory;
    }
}

int FindPartLike(const std::vector<std::string>& names, const char* query)
{
    if (!query || !*query) return -1;
    for (size_t i = 0; i < names.size(); ++i) {
        bool all = true;
        for (const char* c = query; *c && all; ++c) all = names[i].find(*c) != std::string::npos;
        if (all) return static_cast<int>(i);
    }
    return -1;
}

static bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out)
{
    FILE* f = plat::OpenFile(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.insert(out.end(), buffer, buffer + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool BuildModelEntry(MeshModel& mesh, ModelKind kind, int32_t slotSize,
                     const std::string& scratchFile, std::vector<uint8_t>& out, std::string* why,
                     std::string* summary)
{
    const ModelRules& rules = RulesFor(kind);
    auto fail = [&](const std::string& text) {
        if (why) *why = std::string(rules.label) + ": " + text;
        return false;
    };
    std::string problem;
    if (!mesh.Finish(&problem)) return fail(problem);

    // Part lookup: each wanted name must find the part of exactly that name first.
    std::vector<std::string> names;
    for (const MeshPart& p : mesh.Parts()) names.push_back(p.name);
    for (const char* wanted : rules.partNames) {
        int k = FindPartLike(names, wanted);
        if (k < 0) return fail(std::string("no part answers to \"") + wanted + "\"");
        if (names[static_cast<size_t>(k)] != wanted)
            return fail(std::string("looking up \"") + wanted + "\" finds part \"" +
                        names[static_cast<size_t>(k)] + "\"");
    }
    const float radius = mesh.GameRadius();
    if (radius < rules.minRadius || radius > rules.maxRadius) {
        char text[160];
        std::snprintf(text, sizeof text, "collision radius %.2f is outside %.0f..%.0f", radius,
                      rules.minRadius, rules.maxRadius);
        return fail(text);
    }
    if (rules.onGround && mesh.LowestY() < 0.0f)
        return fail("a point lies below the ground (y < 0)");

    Model model;
    if (!mesh.ToModel(model, &problem)) return fail(problem);
    if (!TextFormHolds(model, &problem)) return fail(problem);
    if (!SaveBinaryModel(model, scratchFile.c_str(), &problem)) {
        plat::RemoveFile(scratchFile.c_str());
        return fail(problem);
    }
    bool read = ReadWholeFile(scratchFile, out);
    plat::RemoveFile(scratchFile.c_str());
    if (!read) return fail(scratchFile + ": cannot read the saved model back");
    if (out.size() > static_cast<size_t>(slotSize))
        return fail("the binary model takes " + std::to_string(out.size()) +
                    " bytes, more than its slot of " + std::to_string(slotSize) + " (" +
                    std::to_string(out.size() - static_cast<size_t>(slotSize)) + " too many)");
    if (summary) {
        char text[160];
        std::snprintf(text, sizeof text, "%s: %zu of %d bytes, %d parts, radius %.2f", rules.label,
                      out.size(), static_cast<int>(slotSize), static_cast<int>(mesh.Parts().size()),
                      radius);
        *summary = text;
    }
    out.resize(static_cast<size_t>(slotSize), 0);

    // The padded entry must load back, with the game's length-checked loader, to the same model.
    Model back;
    size_t used = 0;
    if (!LoadBinaryModel(back, out.data(), out.size(), &problem, &used))
        return fail("the saved model does not load: " + problem);
    if (back.count != model.count)
        return fail("the saved model loads with a different object count");
    return true;
}

}  // namespace mediagen
