// SPDX-License-Identifier: MIT
#include "assets/MediaArchive.h"
#include "assets/RawImage.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

class RawImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MediaArchive::Open(archive.c_str(), 38117, 5293);
        // A 2 x 2 image stored exactly, one entry too short and one too long for 2 x 2.
        MediaArchive::AddEntry("exact.raw", 12);
        MediaArchive::AddEntry("short.raw", 6);
        MediaArchive::AddEntry("long.raw", 15);
        dir.Write("exact.raw", "RGBrgbXYZxyz");
        dir.Write("short.raw", "ABCDEF");
        dir.Write("long.raw", "0123456789abcde");
        ASSERT_TRUE(MediaArchive::Pack(dir.path.string().c_str()));
    }
    void TearDown() override { MediaArchive::Reset(); }
    std::string Image(const char* name, int w, int h, bool* complete)
    {
        std::unique_ptr<uint8_t[]> data(ReadRawImage(name, w, h, complete));
        if (!data) return "<none>";
        return std::string(reinterpret_cast<char*>(data.get()),
                           static_cast<size_t>(RawImageBytes(w, h)));
    }

    test::TempDir dir{"rawimage"};
    std::string archive = dir.Path("images.arc");
};

TEST_F(RawImageTest, BufferIsAlwaysExactlyTheImageSize)
{
    bool complete = false;
    EXPECT_EQ(Image("exact.raw", 2, 2, &complete), "RGBrgbXYZxyz");
    EXPECT_TRUE(complete);
    // A short entry is padded with zeros; a long one is cut.
    EXPECT_EQ(Image("short.raw", 2, 2, &complete), std::string("ABCDEF\0\0\0\0\0\0", 12));
    EXPECT_FALSE(complete);
    EXPECT_EQ(Image("long.raw", 2, 2, &complete), "0123456789ab");
    EXPECT_TRUE(complete);
    // Not in the directory, or a size that is no image: nothing.
    EXPECT_EQ(Image("none.raw", 2, 2, &complete), "<none>");
    EXPECT_FALSE(complete);
    EXPECT_EQ(ReadRawImage("exact.raw", 0, 2), nullptr);
    EXPECT_EQ(ReadRawImage("exact.raw", 2, -1), nullptr);

    // With the archive gone the image is black, and flagged.
    fs::remove(archive);
    EXPECT_EQ(Image("exact.raw", 2, 2, &complete), std::string(12, '\0'));
    EXPECT_FALSE(complete);
}

TEST(RawImageSizes, GameImagesMatchTheirArchiveEntries)
{
    RegisterGameArchive();
    for (const RawImageInfo& info : kGameImages) {
        int32_t index = MediaArchive::FindEntry(info.entryName);
        ASSERT_GE(index, 0) << info.entryName;
        EXPECT_EQ(MediaArchive::EntrySize(index), RawImageBytes(info.width, info.height))
            << info.entryName;
        EXPECT_EQ(FindGameImage(info.entryName), &info);
    }
    EXPECT_EQ(FindGameImage("Media\\XWing.bin"), nullptr);
    EXPECT_EQ(RawImageBytes(65536, 65536), 0);  // would not fit in 32 bits
    EXPECT_EQ(RawImageBytes(256, 128), 98304);
    MediaArchive::Reset();
}

}  // namespace
