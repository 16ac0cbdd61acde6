// SPDX-License-Identifier: MIT
#include "render/ModelFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void ExpectSameModel(const Model& a, const Model& b, float tolerance)
{
    ASSERT_EQ(a.count, b.count);
    for (int32_t k = 0; k < a.count; ++k) {
        const ModelObject& x = a.objects[k];
        const ModelObject& y = b.objects[k];
        SCOPED_TRACE("object " + std::to_string(k));
        EXPECT_STREQ(x.name, y.name);
        EXPECT_EQ(x.parent, y.parent);
        EXPECT_EQ(x.textureId, y.textureId);
        EXPECT_EQ(x.red, y.red);
        EXPECT_EQ(x.green, y.green);
        EXPECT_EQ(x.blue, y.blue);
        EXPECT_NEAR(x.pivot.x, y.pivot.x, tolerance);
        EXPECT_NEAR(x.pivot.y, y.pivot.y, tolerance);
        EXPECT_NEAR(x.pivot.z, y.pivot.z, tolerance);
        ASSERT_EQ(x.pointCount, y.pointCount);
        for (int32_t i = 0; i < x.pointCount; ++i) {
            const ModelPoint& p = x.points[i];
            const ModelPoint& q = y.points[i];
            EXPECT_NEAR(p.x, q.x, tolerance);
            EXPECT_NEAR(p.y, q.y, tolerance);
            EXPECT_NEAR(p.z, q.z, tolerance);
            EXPECT_NEAR(p.u, q.u, tolerance);
            EXPECT_NEAR(p.v, q.v, tolerance);
        }
        ASSERT_EQ(x.triangleCount, y.triangleCount);
        for (int32_t t = 0; t < x.triangleCount; ++t) {
            const ModelTriangle& p = x.triangles[t];
            const ModelTriangle& q = y.triangles[t];
            EXPECT_EQ(p.a, q.a);
            EXPECT_EQ(p.b, q.b);
            EXPECT_EQ(p.c, q.c);
            for (int i = 0; i < 3; ++i) {
                const Vector3D& m = i == 0 ? p.na : i == 1 ? p.nb : p.nc;
                const Vector3D& n = i == 0 ? q.na : i == 1 ? q.nb : q.nc;
                EXPECT_NEAR(m.x, n.x, tolerance);
                EXPECT_NEAR(m.y, n.y, tolerance);
                EXPECT_NEAR(m.z, n.z, tolerance);
            }
        }
    }
}

// A small ship: a body with a textured quad, a wing under it, and a never-drawn gun marker.
void BuildShip(Model& m)
{
    m.Clear();
    int body = m.AddObject();
    m.SetName(body, "Body");
    m.SetColor(body, 200, 40, 7);
    m.SetPivot(body, 0.5f, -1.25f, 3.0f);
    m.AddPoint(body, 0, 0, 0);
    m.AddPoint(body, 1, 0, 0);
    m.AddPoint(body, 1, 1.5f, -0.125f);
    m.AddPoint(body, 0, 1, 0);
    m.SetTexCoord(body, 1, 0.25f, 0.5f);
    m.AddTriangle(body, 0, 1, 2);
    m.AddTriangle(body, 0, 2, 3);
    m.SetNormal(body, 0, 0, 0, 0, 1);
    m.SetNormal(body, 0, 1, 0, 0.6f, 0.8f);
    m.SetNormal(body, 1, 2, -1, 0, 0);
    m.objects[body].textureId = 7;

    int wing = m.AddObject();
    m.SetName(wing, "Wing 100% left");
    m.SetParent(wing, body);
    m.SetPivot(wing, -2, 0, 0.75f);
    m.AddPoint(wing, -1, 0, 0);
    m.AddPoint(wing, 0, 0, 1);
    m.AddPoint(wing, 0, 0, -1);
    m.AddTriangle(wing, 2, 1, 0);

    int gun = m.AddObject();
    m.SetName(gun, std::string(127, 'W').c_str());
    m.SetParent(gun, wing);
    m.SetColor(gun, 158, 0, 158);
    m.SetPivot(gun, 0, 0, -4);
}

Bytes Encode(const Model& m)
{
    Bytes bytes;
    EXPECT_TRUE(EncodeBinaryModel(m, bytes));
    return bytes;
}

class ModelFileTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.Path(name); }
    void WriteText(const char* name, const std::string& text) const { dir.Write(name, text); }
    // Saved text has the system's line ends (CR LF on Windows); read as text they are "\n".
    std::string ReadText(const char* name) const { return dir.Read(name, true); }

    test::TempDir dir{"modelfile"};
};

TEST(BinaryModel, OneNamedObjectIsExactlyItsFieldList)
{
    Model m;
    m.AddObject();
    m.SetName(0, "Hull");
    const Bytes expected = {
        1,    0,  // count
        'H',  'u',  'l', 'l', 0,  // name and NUL
        0,    0,  // parent: itself
        1,  // no texture
        0xFF, 0xFF,  // texture id
        255,  255,  255,  // colour
        0,    0,    0,   0,   0, 0, 0, 0, 0, 0, 0, 0,  // pivot
        0,    0,  // points
        0,    0,  // triangles
    };
    EXPECT_EQ(expected.size(), 31u);
    EXPECT_EQ(Encode(m), expected);

    Model back;
    size_t used = 0;
    ASSERT_TRUE(LoadBinaryModel(back, expected.data(), expected.size(), nullptr, &used));
    EXPECT_EQ(used, 31u);
    ExpectSameModel(back, m, 0);
}

TEST(BinaryModel, TextureFlagDecidesAndUnsignedFieldsWiden)
{
    Model m;
    m.AddObject();
    m.objects[0].textureId = 7;
    Bytes bytes = Encode(m);
    EXPECT_EQ(bytes[5], 0);  // flag (after count and the lone NUL of the empty name)
    EXPECT_EQ(bytes[6], 7);
    EXPECT_EQ(bytes[7], 0);

    // The flag wins over whatever the id bytes hold.
    bytes[5] = 2;
    Model back;
    ASSERT_TRUE(LoadBinaryModel(back, bytes.data(), bytes.size()));
    EXPECT_EQ(back.objects[0].textureId, -1);
    // Without the flag the id is unsigned: 0xFFFF is 65535, not -1.
    bytes[5] = 0;
    bytes[6] = bytes[7] = 0xFF;
    ASSERT_TRUE(LoadBinaryModel(back, bytes.data(), bytes.size()));
    EXPECT_EQ(back.objects[0].textureId, 65535);

    // Colours are unsigned bytes.
    m.objects[0].textureId = -1;
    m.SetColor(0, 255, 128, 0);
    Bytes white = Encode(m);
    ASSERT_TRUE(LoadBinaryModel(back, white.data(), white.size()));
    EXPECT_EQ(back.objects[0].red, 255);
    EXPECT_EQ(back.objects[0].green, 128);
}

TEST_F(ModelFileTest, BinarySaveThenLoadIsIdentical)
{
    Model ship;
    BuildShip(ship);
    ASSERT_TRUE(SaveBinaryModel(ship, Path("ship.bin").c_str()));
    Model back;
    std::string why;
    ASSERT_TRUE(LoadBinaryModelFile(back, Path("ship.bin").c_str(), &why)) << why;
    ExpectSameModel(back, ship, 0);
    EXPECT_EQ(Encode(back), Encode(ship));
    EXPECT_EQ(std::strlen(back.objects[2].name), 127u);

    // Loading into a model that already holds objects replaces them.
    BuildShip(back);
    Bytes one = {1, 0, 'A', 0, 0, 0, 1, 0xFF, 0xFF, 1, 2, 3, 0, 0,
                 0, 0, 0,   0, 0, 0, 0, 0,    0,    0, 0, 0, 0, 0};
    ASSERT_TRUE(LoadBinaryModel(back, one.data(), one.size()));
    EXPECT_EQ(back.count, 1);
    EXPECT_STREQ(back.objects[0].name, "A");

    // Bytes after the last object are left alone and reported.
    one.push_back(0xEE);
    size_t used = 0;
    ASSERT_TRUE(LoadBinaryModel(back, one.data(), one.size(), nullptr, &used));
    EXPECT_EQ(used, one.size() - 1);

    EXPECT_FALSE(LoadBinaryModelFile(back, Path("missing.bin").c_str(), &why));
    EXPECT_NE(why.find("cannot open"), std::string::npos);
}

TEST(BinaryModel, DamagedDataLeavesAnEmptyModelAndSaysWhy)
{
    Model ship;
    BuildShip(ship);
    const Bytes good = Encode(ship);
    // Offsets into the encoded ship: count 2, body name 5, header 2+1+2+3+12, point count.
    const size_t bodyParent = 2 + 5;
    const size_t bodyPointCount = bodyParent + 20;
    const size_t bodyFirstTriangle = bodyPointCount + 2 + 4 * 20 + 2;
    const size_t wingName = bodyFirstTriangle + 2 * 42;

    struct Case {
        const char* what;
        size_t offset;
        std::vector<uint8_t> bytes;  // written at offset
        size_t cut;  // keep only this many bytes (0: all)
        const char* message;
    };
    const Case cases[] = {
        {"empty data", 0, {}, 1, "object count"},
        {"count overruns the data", 0, {0xFF, 0xFF}, 0, "65535 objects cannot fit"},
        {"one object too many", 0, {4, 0}, 0, "name runs past"},
        {"points overrun", bodyPointCount, {0xFF, 0x00}, 0, "points run past"},
        {"triangle index out of range", bodyFirstTriangle, {4, 0}, 0, "uses a point beyond"},
        {"parent out of range", bodyParent, {3, 0}, 0, "parent 3 is not an object"},
        {"parents in a cycle", bodyParent, {1, 0}, 0, "cyclic"},
        {"cut in a name", 0, {}, wingName + 5, "object 1: name runs past"},
        {"cut in a header",
         0,
         {},
         wingName + 15 + 3,
         "object 1: data ends inside the object header"},
    };
    for (const Case& c : cases) {
        Bytes bytes = good;
        for (size_t i = 0; i < c.bytes.size(); ++i) bytes[c.offset + i] = c.bytes[i];
        if (c.cut) bytes.resize(c.cut);
        Model m;
        BuildShip(m);
        std::string why;
        EXPECT_FALSE(LoadBinaryModel(m, bytes.data(), bytes.size(), &why)) << c.what;
        EXPECT_EQ(m.count, 0) << c.what;
        EXPECT_EQ(m.objects, nullptr) << c.what;
        EXPECT_NE(why.find(c.message), std::string::npos) << c.what << ": " << why;
    }
    Model m;
    EXPECT_FALSE(LoadBinaryModel(m, nullptr, 100));

    // A 33-object chain is one too long; 32 is fine.
    for (int32_t length : {32, 33}) {
        Model chain;
        for (int32_t i = 0; i < length; ++i) {
            chain.AddObject();
            chain.SetName(i, "c");
        }
        Bytes bytes = Encode(chain);
        // Point each object at the one before it: parent field follows each 2-byte name.
        for (int32_t i = 1; i < length; ++i) {
            size_t parent = 2 + static_cast<size_t>(i) * 26 + 2;
            bytes[parent] = static_cast<uint8_t>(i - 1);
        }
        EXPECT_EQ(LoadBinaryModel(m, bytes.data(), bytes.size()), length == 32) << length;
    }

    // An over-long name is cut at 127 characters, and the rest of the object still reads.
    Bytes longName = {1, 0};
    longName.insert(longName.end(), 300, 'n');
    Bytes rest = {0, 0, 0, 1, 0xFF, 0xFF, 9, 8, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    longName.insert(longName.end(), rest.begin(), rest.end());
    ASSERT_TRUE(LoadBinaryModel(m, longName.data(), longName.size()));
    EXPECT_EQ(std::strlen(m.objects[0].name), 127u);
    EXPECT_EQ(m.objects[0].red, 9);
}

TEST(BinaryModel, EveryTruncationAndRandomFlipLoadsSafely)
{
    Model ship;
    BuildShip(ship);
    const Bytes good = Encode(ship);
    Model m;
    for (size_t length = 0; length < good.size(); ++length) {
        // Exact-size copies, so that a sanitizer sees any read past the end.
        Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(LoadBinaryModel(m, cut.empty() ? nullptr : cut.data(), cut.size())) << length;
        EXPECT_EQ(m.count, 0);
    }

    std::srand(20240611);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes bytes = good;
        int flips = 1 + std::rand() % 4;
        for (int f = 0; f < flips; ++f)
            bytes[static_cast<size_t>(std::rand()) % bytes.size()] ^=
                static_cast<uint8_t>(1 + std::rand() % 255);
        std::string why;
        if (LoadBinaryModel(m, bytes.data(), bytes.size(), &why)) {
            ++accepted;
            EXPECT_TRUE(CheckModelStructure(m, &why)) << why;
            // Whatever was accepted can be used: transform every object.
            ModelInstance instance;
            instance.AttachModel(&m);
            for (int32_t k = 0; k < m.count; ++k) delete[] instance.GetPartWorldPoints(k);
        } else {
            EXPECT_EQ(m.count, 0);
            EXPECT_FALSE(why.empty());
        }
    }
    // Flips in float fields leave a valid model; flips in counts and indices do not.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 4000);
}

TEST(BinaryModel, EncodingRefusesWhatTheFormCannotHold)
{
    struct Case {
        const char* what;
        void (*spoil)(Model&);
    };
    const Case cases[] = {
        {"name of 128 characters", [](Model& m) { m.SetName(0, std::string(128, 'x').c_str()); }},
        {"texture id above 65535", [](Model& m) { m.objects[0].textureId = 65536; }},
        {"texture id below -1", [](Model& m) { m.objects[0].textureId = -2; }},
        {"parent outside the model", [](Model& m) { m.objects[1].parent = 5; }},
        {"triangle index outside", [](Model& m) { m.objects[0].triangles[0].c = 4; }},
    };
    for (const Case& c : cases) {
        Model m;
        BuildShip(m);
        c.spoil(m);
        Bytes bytes;
        std::string why;
        EXPECT_FALSE(EncodeBinaryModel(m, bytes, &why)) << c.what;
        EXPECT_TRUE(bytes.empty()) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
    Model ship;
    BuildShip(ship);
    std::string why;
    EXPECT_FALSE(SaveBinaryModel(ship, "/nonexistent-folder/x.bin", &why));
    EXPECT_NE(why.find("cannot create"), std::string::npos);
}

TEST_F(ModelFileTest, TextFormIsTheExactLabelledLayout)
{
    Model m;
    m.AddObject();
    m.SetName(0, "Gun %d");
    m.SetPivot(0, 1.5f, 0, -2);
    m.AddPoint(0, 1, 2, 3);
    m.SetTexCoord(0, 0, 0.5f, 0.25f);
    m.AddTriangle(0, 0, 0, 0);
    m.SetNormal(0, 0, 2, 0, 0, 1);
    ASSERT_TRUE(SaveTextModel(m, Path("m.txt").c_str()));
    const std::string expected =
        "Total number of Objects= 1\n"
        "\n"
        "__[OBJECT NUMBER 0]________________\n"
        "\n"
        "Gun %d\n"
        "Parent Object= 0\n"
        "Texture Id= -1\n"
        "Red  = 255\n"
        "Green= 255\n"
        "Blue = 255\n"
        "Pivot X= 1.500000\n"
        "Pivot Y= 0.000000\n"
        "Pivot Z= -2.000000\n"
        "Number of Points= 1\n"
        "x=        1.000000\n"
        "y=        2.000000\n"
        "z=        3.000000\n"
        "texturex= 0.500000\n"
        "texturey= 0.250000\n"
        "Number of Triangles= 1\n"
        "a= 0\nb= 0\nc= 0\n"
        "nax= 0.000000\nnay= 0.000000\nnaz= 0.000000\n"
        "nbx= 0.000000\nnby= 0.000000\nnbz= 0.000000\n"
        "ncx= 0.000000\nncy= 0.000000\nncz= 1.000000\n";
    EXPECT_EQ(ReadText("m.txt"), expected);
}

TEST_F(ModelFileTest, TextSaveThenLoadKeepsSixDecimals)
{
    Model ship;
    BuildShip(ship);
    ship.objects[0].points[2].x = 1.23456789f;  // comes back as 1.234568
    ASSERT_TRUE(TextFormHolds(ship));
    ASSERT_TRUE(SaveTextModel(ship, Path("ship.txt").c_str()));
    Model back;
    std::string why;
    ASSERT_TRUE(LoadTextModel(back, Path("ship.txt").c_str(), &why)) << why;
    ExpectSameModel(back, ship, 5e-7f);
    EXPECT_EQ(back.objects[0].points[2].x, 1.234568f);

    // Windows line ends read the same.
    std::string text = ReadText("ship.txt");
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    WriteText("crlf.txt", crlf);
    ASSERT_TRUE(LoadTextModel(back, Path("crlf.txt").c_str(), &why)) << why;
    ExpectSameModel(back, ship, 5e-7f);
}

TEST_F(ModelFileTest, DamagedTextIsReadSafely)
{
    Model ship;
    BuildShip(ship);
    ASSERT_TRUE(SaveTextModel(ship, Path("ship.txt").c_str()));
    const std::string good = ReadText("ship.txt");
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string s = good;
        size_t at = s.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return s.replace(at, from.size(), to);
    };

    struct Case {
        const char* what;
        std::string text;
        int32_t count;  // objects left in the model
        const char* message;
    };
    const Case cases[] = {
        {"count label misspelt", replaced("Total number of Objects= 3", "Total objects= 3"), 0,
         "Total number"},
        {"negative count", replaced("Objects= 3", "Objects= -3"), 0, "out of range"},
        {"absurd count", replaced("Objects= 3", "Objects= 2000000000"), 0, "out of range"},
        {"count beyond int", replaced("Objects= 3", "Objects= 99999999999"), 0, "Total number"},
        {"negative point count", replaced("Number of Points= 3", "Number of Points= -1"), 0,
         "point count"},
        {"absurd triangle count", replaced("Number of Triangles= 1", "Number of Triangles= 70000"),
         0, "triangle count"},
        {"point count label misspelt", replaced("Number of Points= 3", "Number of Pts= 3"), 3,
         "not found"},
        {"parent out of range",
         replaced("Parent Object= 0\nTexture Id= -1", "Parent Object= 9\nTexture Id= -1"), 0,
         "parent 9"},
        {"triangle index out of range", replaced("a= 2\n", "a= 3\n"), 0, "uses point 3"},
        {"empty name", replaced("Wing 100% left\n", "\n"), 3, "not found"},
        {"file cut short", good.substr(0, good.size() / 2), 3, "not found"},
    };
    for (const Case& c : cases) {
        WriteText("bad.txt", c.text);
        Model m;
        BuildShip(m);
        std::string why;
        EXPECT_FALSE(LoadTextModel(m, Path("bad.txt").c_str(), &why)) << c.what;
        EXPECT_EQ(m.count, c.count) << c.what;
        EXPECT_TRUE(CheckModelStructure(m)) << c.what;
        EXPECT_NE(why.find(c.message), std::string::npos) << c.what << ": " << why;
    }

    // With the point count unread, that object has no points rather than a stray table: the
    // three point records then fail to match too, and the later objects still read.
    WriteText("bad.txt", replaced("Number of Points= 3", "Number of Pts= 3"));
    Model m;
    LoadTextModel(m, Path("bad.txt").c_str());
    EXPECT_EQ(m.objects[1].pointCount, 0);

    // A name longer than 127 characters is cut, and the rest of the file still reads.
    WriteText("long.txt", replaced(std::string(127, 'W') + "\n", std::string(400, 'W') + "\n"));
    std::string why;
    EXPECT_TRUE(LoadTextModel(m, Path("long.txt").c_str(), &why)) << why;
    ExpectSameModel(m, ship, 5e-7f);

    EXPECT_FALSE(LoadTextModel(m, Path("missing.txt").c_str(), &why));
    EXPECT_EQ(m.count, 0);
    EXPECT_NE(why.find("cannot open"), std::string::npos);
}

// Counts the rest of the file cannot hold are refused before anything is allocated: 200 objects
// declaring 65535 points and triangles each and holding none took 11 s and 879 MB. The bound is
// what the labels need at the least, so a file written without a single spare character reads.
TEST_F(ModelFileTest, CountsTheRestOfTheFileCannotHoldAreRefused)
{
    std::string hollow = "Total number of Objects= 200\n";
    for (int i = 0; i < 200; ++i) {
        hollow += "\n__[OBJECT NUMBER " + std::to_string(i) + "]________________\n\nPart" +
                  std::to_string(i) + "\nParent Object= " + std::to_string(i) +
                  "\nNumber of Points= 65535\nNumber of Triangles= 65535\n";
    }
    auto object = [](int points, int triangles) {
        std::string o =
            "\n__[OBJECT NUMBER 0]________________\n\nHull\nParent Object=0Texture "
            "Id=-1Red=1Green=1Blue=1"
            "Pivot X=1Pivot Y=1Pivot Z=1Number of Points=" +
            std::to_string(points);
        for (int i = 0; i < points; ++i) o += "x=1y=1z=1texturex=1texturey=1";
        o += "Number of Triangles=" + std::to_string(triangles);
        for (int t = 0; t < triangles; ++t)
            o += "a=0b=1c=2nax=1nay=1naz=1nbx=1nby=1nbz=1ncx=1ncy=1ncz=1";
        return o;
    };
    const std::string dense = "Total number of Objects=1" + object(3, 2);
    std::string tooManyPoints = dense;
    tooManyPoints.replace(tooManyPoints.find("Points=3"), 8,
                          "Points=8");  // 8 x 29 > 216 bytes left
    std::string tooManyTriangles = dense;
    tooManyTriangles.replace(tooManyTriangles.find("Triangles=2"), 11,
                             "Triangles=3");  // 3 x 54 > 108
    std::string tooManyObjects = "Total number of Objects=9" + object(0, 0);

    struct Case {
        const char* what;
        std::string text;
        const char* message;  // none: loads
    };
    const Case cases[] = {
        {"200 hollow objects", hollow, "object 0: 65535 points cannot fit"},
        {"every value one character", dense, nullptr},
#ifndef _WIN32  // there the limit is the whole file's size, not what is left after the header
        {"more points than the rest could hold", tooManyPoints, "8 points cannot fit"},
        {"one triangle more than the rest could hold", tooManyTriangles, "3 triangles cannot fit"},
#endif
        {"more objects than the file holds", tooManyObjects, "9 objects cannot fit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText("counts.txt", c.text);
        Model m;
        std::string why;
        bool loaded = LoadTextModel(m, Path("counts.txt").c_str(), &why);
        if (!c.message) {
            EXPECT_TRUE(loaded) << why;
            ASSERT_EQ(m.count, 1);
            EXPECT_EQ(m.objects[0].pointCount, 3);
            EXPECT_EQ(m.objects[0].triangleCount, 2);
            continue;
        }
        EXPECT_FALSE(loaded);
        EXPECT_EQ(m.count, 0);
        EXPECT_NE(why.find(c.message), std::string::npos) << why;
    }
}

TEST(TextForm, NamesItCannotHoldAreNamed)
{
    const char* bad[] = {"", " leading", "two\nlines", "cr\r"};
    for (const char* name : bad) {
        Model m;
        m.AddObject();
        m.SetName(0, name);
        std::string why;
        EXPECT_FALSE(TextFormHolds(m, &why)) << name;
        EXPECT_NE(why.find("object 0"), std::string::npos);
    }
    Model m;
    m.AddObject();
    m.SetName(0, "fine name");
    EXPECT_TRUE(TextFormHolds(m));
}

}  // namespace
