// SPDX-License-Identifier: MIT
// quenbrill-model: looks inside model files and converts between their two forms.
//
//   quenbrill-model info FILE        objects, parents, names, counts and the collision radius
//   quenbrill-model convert IN OUT   binary <-> text, each form chosen by its extension
//
// A file ending in .bin is the binary form, one ending in .txt the text form. Output is
// written to a temporary file and renamed into place, so a failure leaves no partial file.
//
// Subcommands are rows of kCommands. A command gets the arguments after its own name.
// Drawing a model into a picture needs OpenGL, which no installed tool links: that is
// quenbrill-model-render (render_png.cpp), a tool of the build tree.

#include "TempFile.h"
#include "assets/FileStream.h"
#include "render/Model.h"
#include "render/ModelFile.h"
#include "platform/Files.h"
#include "shell/Printable.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kTool = "quenbrill-model";

// The scale at which the game shows every model, and so measures its collision radius.
constexpr float kGameScale = 0.1f;

int Fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kTool, Printable(message).c_str());
    return 1;
}

enum class Form { Unknown, Binary, Text };

Form FormOf(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return Form::Unknown;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "bin") return Form::Binary;
    if (ext == "txt") return Form::Text;
    return Form::Unknown;
}

// Loads path in the form its extension names; false with a message naming the file.
bool Load(Model& model, const std::string& path, std::string& problem)
{
    std::string why;
    bool ok;
    switch (FormOf(path)) {
        case Form::Binary:
            ok = LoadBinaryModelFile(model, path.c_str(), &why);
            break;
        case Form::Text:
            ok = LoadTextModel(model, path.c_str(), &why);
            break;
        default:
            problem = path + ": unknown model form (use .bin for binary, .txt for text)";
            return false;
    }
    if (!ok) problem = path + ": " + why;
    return ok;
}

int Info(int argc, char** argv)
{
    if (argc != 1) return -1;
    const std::string path = argv[0];
    Model model;
    std::string problem;
    if (!Load(model, path, problem)) return Fail(problem);

    std::printf("%s: %s model, %d object%s\n", Printable(path).c_str(),
                FormOf(path) == Form::Binary ? "binary" : "text", static_cast<int>(model.count),
                model.count == 1 ? "" : "s");
    std::printf("%4s %6s %7s %9s %7s  %-11s  %s\n", "#", "parent", "points", "triangles", "texture",
                "colour", "name");
    int32_t points = 0, triangles = 0;
    for (int32_t k = 0; k < model.count; ++k) {
        const ModelObject& o = model.objects[k];
        char colour[32];
        std::snprintf(colour, sizeof colour, "%d %d %d", static_cast<int>(o.red),
                      static_cast<int>(o.green), static_cast<int>(o.blue));
        char parent[16];
        if (o.parent == k) std::snprintf(parent, sizeof parent, "root");
        else std::snprintf(parent, sizeof parent, "%d", static_cast<int>(o.parent));
        std::printf("%4d %6s %7d %9d %7d  %-11s  \"%s\"%s\n", static_cast<int>(k), parent,
                    static_cast<int>(o.pointCount), static_cast<int>(o.triangleCount),
                    static_cast<int>(o.textureId), colour, Printable(model.ObjectName(k)).c_str(),
                    IsNeverDrawn(o) ? " (not drawn)" : "");
        points += o.pointCount;
        triangles += o.triangleCount;
    }
    std::printf("total: %d points, %d triangles\n", static_cast<int>(points),
                static_cast<int>(triangles));

    ModelInstance instance;
    instance.AttachModel(&model);
    instance.scale = kGameScale;
    std::printf("collision radius at scale %.1f: %f\n", static_cast<double>(kGameScale),
                static_cast<double>(InstanceReachRadius(instance)));
    return 0;
}

int Convert(int argc, char** argv)
{
    if (argc != 2) return -1;
    const std::string in = argv[0], out = argv[1];
    const Form outForm = FormOf(out);
    if (outForm == Form::Unknown)
        return Fail(out + ": unknown model form (use .bin for binary, .txt for text)");

    Model model;
    std::string problem;
    if (!Load(model, in, problem)) return Fail(problem);

    std::string why;
    if (outForm == Form::Text && !TextFormHolds(model, &why))
        return Fail(in + ": cannot be written as text: " + why);
    std::vector<uint8_t> encoded;
    if (outForm == Form::Binary && !EncodeBinaryModel(model, encoded, &why))
        return Fail(in + ": cannot be written in the binary form: " + why);
    // The output is replaced by a rename: over a named pipe or a device that would replace
    // the special file itself.
    if (!FileUsable(out.c_str(), true, &why)) return Fail(out + ": " + why);

    TempFile temp(out + ".tmp");
    if (!FileUsable(temp.c_str(), true, &why)) {
        temp.Forget();  // not ours: it stays
        return Fail(temp.Path() + ": " + why);
    }
    bool saved = outForm == Form::Binary ? SaveBinaryModel(model, temp.c_str(), &why)
                                         : SaveTextModel(model, temp.c_str(), &why);
    if (!saved) return Fail(temp.Path() + ": " + why);
    if (!plat::RenameReplacing(temp.c_str(), out.c_str()))
        return Fail(out + ": cannot replace the file");
    temp.Forget();
    return 0;
}

struct Command {
    const char* name;
    const char* operands;
    const char* summary;
    int (*run)(int argc, char** argv);  // -1: wrong operands (usage is shown)
};

const Command kCommands[] = {
    {"info", "FILE", "objects, parents, names, point and triangle counts, collision radius", Info},
    {"convert", "IN OUT", "convert between the binary (.bin) and text (.txt) forms", Convert},
};

int Usage(FILE* to)
{
    std::fprintf(to, "usage: %s COMMAND ...\n", kTool);
    for (const Command& c : kCommands) {
        std::string call = std::string(c.name) + " " + c.operands;
        std::fprintf(to, "  %-26s %s\n", call.c_str(), c.summary);
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    argv = plat::Utf8Argv(argc, argv);
    if (argc < 2) return Usage(stderr);
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        Usage(stdout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0) {
            int result = c.run(argc - 2, argv + 2);
            return result < 0 ? Usage(stderr) : result;
        }
    }
    std::fprintf(stderr, "%s: unknown command \"%s\"\n", kTool, Printable(argv[1]).c_str());
    return Usage(stderr);
}
