// SPDX-License-Identifier: MIT
#include "render/ModelFile.h"

#include "assets/FileStream.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

bool Fail(std::string* why, const std::string& problem)
{
    if (why) *why = problem;
    return false;
}

// A cursor over the binary data that refuses to move past its end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t length) : p(data), left(data ? length : 0) {}

    bool Has(size_t n) const { return n <= left; }
    size_t Left() const { return left; }
    const uint8_t* Position() const { return p; }
    void Skip(size_t n)
    {
        p += n;
        left -= n;
    }

    bool U8(int32_t& value)
    {
        if (!Has(1)) return false;
        value = p[0];
        Skip(1);
        return true;
    }
    bool U16(int32_t& value)
    {
        if (!Has(2)) return false;
        value = p[0] | (p[1] << 8);
        Skip(2);
        return true;
    }
    bool F32(float& value)
    {
        if (!Has(4)) return false;
        uint32_t bits = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                        (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
        std::memcpy(&value, &bits, 4);
        Skip(4);
        return true;
    }

private:
    const uint8_t* p;
    size_t left;
};

bool ReadObject(Model& model, int32_t k, ByteReader& in, std::string* why)
{
    const std::string where = "object " + std::to_string(k) + ": ";
    ModelObject& o = model.objects[k];

    const void* nul = std::memchr(in.Position(), 0, in.Left());
    if (!nul) return Fail(why, where + "name runs past the end of the data");
    size_t nameLength = static_cast<size_t>(static_cast<const uint8_t*>(nul) - in.Position());
    char name[kMaxModelName + 1];
    size_t kept = nameLength < static_cast<size_t>(kMaxModelName) ? nameLength : kMaxModelName;
    std::memcpy(name, in.Position(), kept);
    name[kept] = 0;
    model.SetName(k, name);
    in.Skip(nameLength + 1);

    int32_t flag = 0, textureId = 0;
    bool ok = in.U16(o.parent) && in.U8(flag) && in.U16(textureId) && in.U8(o.red) &&
              in.U8(o.green) && in.U8(o.blue) && in.F32(o.pivot.x) && in.F32(o.pivot.y) &&
              in.F32(o.pivot.z);
    if (!ok) return Fail(why, where + "data ends inside the object header");
    o.textureId = flag != 0 ? -1 : textureId;
    if (o.parent >= model.count)
        return Fail(why, where + "parent " + std::to_string(o.parent) + " is not an object");

    int32_t pointCount = 0;
    if (!in.U16(pointCount)) return Fail(why, where + "data ends before the point count");
    if (!in.Has(20 * static_cast<size_t>(pointCount)))
        return Fail(why,
                    where + std::to_string(pointCount) + " points run past the end of the data");
    if (!model.AllocatePoints(k, pointCount)) return Fail(why, where + "out of memory");
    for (int32_t i = 0; i < pointCount; ++i) {
        ModelPoint& pt = o.points[i];
        in.F32(pt.x);
        in.F32(pt.y);
        in.F32(pt.z);
        in.F32(pt.u);
        in.F32(pt.v);
    }

    int32_t triangleCount = 0;
    if (!in.U16(triangleCount)) return Fail(why, where + "data ends before the triangle count");
    if (!in.Has(42 * static_cast<size_t>(triangleCount)))
        return Fail(
            why, where + std::to_string(triangleCount) + " triangles run past the end of the data");
    if (!model.AllocateTriangles(k, triangleCount)) return Fail(why, where + "out of memory");
    for (int32_t t = 0; t < triangleCount; ++t) {
        ModelTriangle& tri = o.triangles[t];
        in.U16(tri.a);
        in.U16(tri.b);
        in.U16(tri.c);
        for (Vector3D* n : {&tri.na, &tri.nb, &tri.nc}) {
            in.F32(n->x);
            in.F32(n->y);
            in.F32(n->z);
        }
        if (tri.a >= pointCount || tri.b >= pointCount || tri.c >= pointCount)
            return Fail(why, where + "triangle " + std::to_string(t) + " uses a point beyond its " +
                                 std::to_string(pointCount) + " points");
    }
    return true;
}

void PutU8(std::vector<uint8_t>& out, int32_t value) { out.push_back(static_cast<uint8_t>(value)); }

void PutU16(std::vector<uint8_t>& out, int32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutF32(std::vector<uint8_t>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

// Checks one of the text reader's counts; absurd ones would allocate without end.
bool CountUsable(int32_t count) { return count >= 0 && count <= 65535; }

// The labelled lines of the text form, in file order.
const char* const kObjectLabels[] = {"Parent Object= ",
                                     "Texture Id= ",
                                     "Red  = ",
                                     "Green= ",
                                     "Blue = ",
                                     "Pivot X= ",
                                     "Pivot Y= ",
                                     "Pivot Z= ",
                                     "Number of Points= ",
                                     "Number of Triangles= "};
const char* const kPointLabels[] = {
    "x=        ", "y=        ", "z=        ", "texturex= ", "texturey= "};
const char* const kTriangleLabels[] = {"a= ",   "b= ",   "c= ",   "nax= ", "nay= ", "naz= ",
                                       "nbx= ", "nby= ", "nbz= ", "ncx= ", "ncy= ", "ncz= "};

// The fewest bytes a run of labelled values can take: each label without its blanks (a blank
// in a label matches no blank at all) and one character of each value.
template <size_t N>
int64_t LeastBytes(const char* const (&labels)[N])
{
    int64_t total = 0;
    for (const char* label : labels) {
        for (const char* c = label; *c; ++c)
            total += std::isspace(static_cast<unsigned char>(*c)) ? 0 : 1;
        total += 1;
    }
    return total;
}

// The text form's counts against the file's size. Every record a count declares takes at least
// its labels' bytes in the file and no two records share a byte, so all the counts of a file
// together can never declare more than the whole file could hold. Checked before each table
// is allocated: a small file cannot make the reader reserve room for millions of values, even
// when its records then fail to match and the reading position never moves on.
class CountBudget {
public:
    explicit CountBudget(int64_t fileBytes) : fileBytes(fileBytes), left(fileBytes) {}
    // Takes count records of at least least bytes each; false when they do not fit.
    bool Take(int32_t count, int64_t least)
    {
        const int64_t need = int64_t(count) * least;
        if (need > left) return false;
        left -= need;
        return true;
    }
    // Why the last Take failed: "cannot fit in the file (its 40 bytes ...)".
    std::string Refusal() const
    {
        return "cannot fit in the file (" + std::to_string(fileBytes - left) + " of its " +
               std::to_string(fileBytes) + " bytes are taken by the counts before)";
    }

private:
    int64_t fileBytes;
    int64_t left;
};

}  // namespace

// ---- binary --------------------------------------------------------------------------------

bool LoadBinaryModel(Model& model, const uint8_t* data, size_t length, std::string* why,
                     size_t* used)
{
    model.Clear();
    if (used) *used = 0;
    ByteReader in(data, length);
    int32_t count = 0;
    if (!in.U16(count)) return Fail(why, "data ends before the object count");
    // Each object takes at least 25 bytes (an empty name and no points or triangles).
    if (!in.Has(25 * static_cast<size_t>(count)))
        return Fail(why, std::to_string(count) + " objects cannot fit in " +
                             std::to_string(length) + " bytes");
    if (!model.AllocateObjects(count)) return Fail(why, "out of memory");
    for (int32_t k = 0; k < count; ++k) {
        if (!ReadObject(model, k, in, why)) {
            model.Clear();
            return false;
        }
    }
    if (!CheckModelStructure(model, why)) {
        model.Clear();
        return false;
    }
    if (used) *used = length - in.Left();
    return true;
}

// Opens a model file for reading and tells its size; false with the reason when it is not a
// regular file, cannot be opened or is larger than limit.
bool OpenModelFile(FileStream& in, int64_t limit, int64_t& size, std::string* why)
{
    if (in.Failed()) return Fail(why, in.Problem());
    size = in.BytesLeft();
    if (size < 0) return Fail(why, "cannot be read: its size is unknown");
    if (size > limit)
        return Fail(why, std::to_string(size) + " bytes, more than a model file may hold (" +
                             std::to_string(limit >> 20) + " MB)");
    return true;
}

bool LoadBinaryModelFile(Model& model, const char* fileName, std::string* why)
{
    model.Clear();
    std::vector<uint8_t> data;
    {
        FileStream in(fileName, "rb");
        int64_t size = 0;
        if (!OpenModelFile(in, kMaxBinaryModelBytes, size, why)) return false;
        data.resize(static_cast<size_t>(size));
        if (size > 0 && !in.ReadBytes(data.data(), static_cast<int>(size)))
            return Fail(
                why, "cannot be read: shorter than its size of " + std::to_string(size) + " bytes");
    }
    return LoadBinaryModel(model, data.data(), data.size(), why);
}

bool EncodeBinaryModel(const Model& model, std::vector<uint8_t>& out, std::string* why)
{
    out.clear();
    if (!CheckModelStructure(model, why)) return false;
    if (model.count > 65535)
        return Fail(why, std::to_string(model.count) + " objects (at most 65535)");
    PutU16(out, model.count);
    for (int32_t k = 0; k < model.count; ++k) {
        const ModelObject& o = model.objects[k];
        const std::string where = "object " + std::to_string(k) + ": ";
        const char* name = model.ObjectName(k);
        size_t nameLength = std::strlen(name);
        if (nameLength > static_cast<size_t>(kMaxModelName)) {
            out.clear();
            return Fail(why, where + "name longer than 127 characters");
        }
        if (o.parent > 65535 || o.textureId < -1 || o.textureId > 65535 || o.pointCount > 65535 ||
            o.triangleCount > 65535) {
            out.clear();
            return Fail(why,
                        where + "a count, parent or texture id beyond the binary form's limits");
        }
        out.insert(out.end(), name, name + nameLength + 1);
        PutU16(out, o.parent);
        PutU8(out, o.textureId == -1 ? 1 : 0);
        PutU16(out, o.textureId == -1 ? 0xFFFF : o.textureId);
        PutU8(out, o.red);
        PutU8(out, o.green);
        PutU8(out, o.blue);
        PutF32(out, o.pivot.x);
        PutF32(out, o.pivot.y);
        PutF32(out, o.pivot.z);
        PutU16(out, o.pointCount);
        for (int32_t i = 0; i < o.pointCount; ++i) {
            const ModelPoint& p = o.points[i];
            for (float f : {p.x, p.y, p.z, p.u, p.v}) PutF32(out, f);
        }
        PutU16(out, o.triangleCount);
        for (int32_t t = 0; t < o.triangleCount; ++t) {
            const ModelTriangle& tri = o.triangles[t];
            PutU16(out, tri.a);
            PutU16(out, tri.b);
            PutU16(out, tri.c);
            for (const Vector3D* n : {&tri.na, &tri.nb, &tri.nc}) {
                PutF32(out, n->x);
                PutF32(out, n->y);
                PutF32(out, n->z);
            }
        }
    }
    if (int64_t(out.size()) > kMaxBinaryModelBytes) {
        const size_t bytes = out.size();
        out.clear();
        return Fail(why, "the binary form would take " + std::to_string(bytes) +
                             " bytes, more than a model file may hold");
    }
    return true;
}

bool SaveBinaryModel(const Model& model, const char* fileName, std::string* why)
{
    std::vector<uint8_t> bytes;
    if (!EncodeBinaryModel(model, bytes, why)) return false;
    FileStream out(fileName, "wb");
    if (out.Failed()) return Fail(why, out.Problem());
    if (!out.WriteBytes(bytes.data(), static_cast<int>(bytes.size())) || !out.Flush())
        return Fail(why, "write failed");
    return true;
}

// ---- text ----------------------------------------------------------------------------------

bool LoadTextModel(Model& model, const char* fileName, std::string* why)
{
    model.Clear();
    FileStream in(fileName, "rt");
    int64_t fileBytes = 0;
    if (!OpenModelFile(in, kMaxTextModelBytes, fileBytes, why)) return false;
    CountBudget budget(fileBytes);

    std::string firstMismatch;
    int32_t object = -1;
    auto note = [&](const char* label) {
        if (!in.LastReadMatched() && firstMismatch.empty()) {
            firstMismatch = "\"" + std::string(label) + "\" not found";
            if (object >= 0) firstMismatch += " in object " + std::to_string(object);
        }
    };
    auto readInt = [&](const char* label, int32_t& value) {
        in.ReadLabelledInt(label, &value);
        note(label);
    };
    auto readFloat = [&](const char* label, float& value) {
        in.ReadLabelledFloat(label, &value);
        note(label);
    };

    int32_t count = 0;
    readInt("Total number of Objects= ", count);
    if (!CountUsable(count))
        return Fail(why, "object count " + std::to_string(count) + " is out of range");
    // An object takes at least its header's line end and its labelled values.
    if (!budget.Take(count, 1 + LeastBytes(kObjectLabels)))
        return Fail(why, std::to_string(count) + " objects " + budget.Refusal());
    if (!model.AllocateObjects(count)) return Fail(why, "out of memory");

    for (object = 0; object < count; ++object) {
        ModelObject& o = model.objects[object];
        in.ScanText(" ");
        in.SkipLines(1);  // the "__[OBJECT NUMBER n]__" header
        in.ScanText(" ");
        char name[kMaxModelName + 1];
        in.ReadLine(name, sizeof name);
        size_t nameLength = std::strlen(name);
        if (nameLength == static_cast<size_t>(kMaxModelName))
            in.SkipLines(1);  // the rest of a long name, and the line end
        if (nameLength > 0 && name[nameLength - 1] == '\r')
            name[nameLength - 1] = 0;  // a file written with CR LF line ends
        model.SetName(object, name);
        in.ScanText(" ");

        readInt(kObjectLabels[0], o.parent);
        readInt(kObjectLabels[1], o.textureId);
        readInt(kObjectLabels[2], o.red);
        readInt(kObjectLabels[3], o.green);
        readInt(kObjectLabels[4], o.blue);
        readFloat(kObjectLabels[5], o.pivot.x);
        readFloat(kObjectLabels[6], o.pivot.y);
        readFloat(kObjectLabels[7], o.pivot.z);

        int32_t pointCount = 0;
        readInt(kObjectLabels[8], pointCount);
        if (!CountUsable(pointCount)) {
            model.Clear();
            return Fail(why, "object " + std::to_string(object) + ": point count " +
                                 std::to_string(pointCount) + " is out of range");
        }
        if (!budget.Take(pointCount, LeastBytes(kPointLabels))) {
            model.Clear();
            return Fail(why, "object " + std::to_string(object) + ": " +
                                 std::to_string(pointCount) + " points " + budget.Refusal());
        }
        if (!model.AllocatePoints(object, pointCount)) {
            model.Clear();
            return Fail(why, "out of memory");
        }
        for (int32_t i = 0; i < pointCount; ++i) {
            ModelPoint& p = o.points[i];
            float* values[] = {&p.x, &p.y, &p.z, &p.u, &p.v};
            for (size_t j = 0; j < 5; ++j) readFloat(kPointLabels[j], *values[j]);
        }

        int32_t triangleCount = 0;
        readInt(kObjectLabels[9], triangleCount);
        if (!CountUsable(triangleCount)) {
            model.Clear();
            return Fail(why, "object " + std::to_string(object) + ": triangle count " +
                                 std::to_string(triangleCount) + " is out of range");
        }
        if (!budget.Take(triangleCount, LeastBytes(kTriangleLabels))) {
            model.Clear();
            return Fail(why, "object " + std::to_string(object) + ": " +
                                 std::to_string(triangleCount) + " triangles " + budget.Refusal());
        }
        if (!model.AllocateTriangles(object, triangleCount)) {
            model.Clear();
            return Fail(why, "out of memory");
        }
        for (int32_t t = 0; t < triangleCount; ++t) {
            ModelTriangle& tri = o.triangles[t];
            readInt(kTriangleLabels[0], tri.a);
            readInt(kTriangleLabels[1], tri.b);
            readInt(kTriangleLabels[2], tri.c);
            float* normals[] = {&tri.na.x, &tri.na.y, &tri.na.z, &tri.nb.x, &tri.nb.y,
                                &tri.nb.z, &tri.nc.x, &tri.nc.y, &tri.nc.z};
            for (size_t j = 0; j < 9; ++j) readFloat(kTriangleLabels[3 + j], *normals[j]);
        }
    }

    std::string broken;
    if (!CheckModelStructure(model, &broken)) {
        model.Clear();
        // A mismatched label usually explains the broken structure better.
        return Fail(why, firstMismatch.empty() ? broken : firstMismatch);
    }
    if (!firstMismatch.empty()) return Fail(why, firstMismatch);
    return true;
}

bool SaveTextModel(const Model& model, const char* fileName, std::string* why)
{
    FileStream out(fileName, "wt");
    if (out.Failed()) return Fail(why, out.Problem());
    out.WriteLabelledInt("Total number of Objects= ", model.count);
    for (int32_t k = 0; k < model.count; ++k) {
        const ModelObject& o = model.objects[k];
        char header[64];
        std::snprintf(header, sizeof header, "\n__[OBJECT NUMBER %d]________________\n\n",
                      static_cast<int>(k));
        out.PrintText(header);
        out.PrintText(model.ObjectName(k));
        out.PrintText("\n");
        out.WriteLabelledInt("Parent Object= ", o.parent);
        out.WriteLabelledInt("Texture Id= ", o.textureId);
        out.WriteLabelledInt("Red  = ", o.red);
        out.WriteLabelledInt("Green= ", o.green);
        out.WriteLabelledInt("Blue = ", o.blue);
        out.WriteLabelledFloat("Pivot X= ", o.pivot.x);
        out.WriteLabelledFloat("Pivot Y= ", o.pivot.y);
        out.WriteLabelledFloat("Pivot Z= ", o.pivot.z);
        out.WriteLabelledInt("Number of Points= ", o.pointCount);
        for (int32_t i = 0; i < o.pointCount && o.points; ++i) {
            const ModelPoint& p = o.points[i];
            out.WriteLabelledFloat("x=        ", p.x);
            out.WriteLabelledFloat("y=        ", p.y);
            out.WriteLabelledFloat("z=        ", p.z);
            out.WriteLabelledFloat("texturex= ", p.u);
            out.WriteLabelledFloat("texturey= ", p.v);
        }
        out.WriteLabelledInt("Number of Triangles= ", o.triangleCount);
        for (int32_t t = 0; t < o.triangleCount && o.triangles; ++t) {
            const ModelTriangle& tri = o.triangles[t];
            out.WriteLabelledInt("a= ", tri.a);
            out.WriteLabelledInt("b= ", tri.b);
            out.WriteLabelledInt("c= ", tri.c);
            out.WriteLabelledFloat("nax= ", tri.na.x);
            out.WriteLabelledFloat("nay= ", tri.na.y);
            out.WriteLabelledFloat("naz= ", tri.na.z);
            out.WriteLabelledFloat("nbx= ", tri.nb.x);
            out.WriteLabelledFloat("nby= ", tri.nb.y);
            out.WriteLabelledFloat("nbz= ", tri.nb.z);
            out.WriteLabelledFloat("ncx= ", tri.nc.x);
            out.WriteLabelledFloat("ncy= ", tri.nc.y);
            out.WriteLabelledFloat("ncz= ", tri.nc.z);
        }
    }
    if (!out.Flush()) return Fail(why, "write failed");
    return true;
}

bool TextFormHolds(const Model& model, std::string* why)
{
    for (int32_t k = 0; k < model.count; ++k) {
        const char* name = model.ObjectName(k);
        const std::string where = "object " + std::to_string(k) + ": ";
        if (!*name)
            return Fail(why, where + "empty name (the text form needs a name on every object)");
        if (std::isspace(static_cast<unsigned char>(name[0])))
            return Fail(why, where + "name begins with white space");
        if (std::strlen(name) > static_cast<size_t>(kMaxModelName))
            return Fail(why, where + "name longer than 127 characters");
        if (std::strpbrk(name, "\r\n")) return Fail(why, where + "name holds a line break");
    }
    return true;
}
