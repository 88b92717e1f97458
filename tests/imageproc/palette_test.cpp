#include "zvdll.h"

#include "platform/palette.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using zv::CPalette;
using zv::PALETTEENTRY;

struct AllocationLimit {
    explicit AllocationLimit(uint64_t bytes) { ZvSetAllocationLimit(bytes); }
    ~AllocationLimit() { ZvSetAllocationLimit(0); }
};

std::vector<PALETTEENTRY> EntriesOf(const CPalette& palette)
{
    std::vector<PALETTEENTRY> entries(static_cast<size_t>(palette.GetEntryCount()));
    EXPECT_EQ(palette.GetPaletteEntries(0, static_cast<uint32_t>(entries.size()), entries.data()), entries.size());
    return entries;
}

TEST(MakePalette, AttachesTheFixedTable)
{
    CPalette palette;
    ZV_MakePalette(&palette);
    ASSERT_NE(palette.GetSafeHandle(), nullptr);
    ASSERT_EQ(palette.GetEntryCount(), 256);
    const std::vector<PALETTEENTRY> entries = EntriesOf(palette);
    struct Row {
        int index, red, green, blue;
    };
    const Row table[] = {{0, 0, 0, 0},       {1, 16, 4, 1},      {15, 240, 60, 15}, {16, 0, 64, 16},
                         {17, 16, 68, 17},   {63, 240, 252, 63}, {64, 0, 0, 64},    {255, 240, 252, 255}};
    for (const Row& row : table) {
        const PALETTEENTRY& e = entries[static_cast<size_t>(row.index)];
        EXPECT_EQ(e.peRed, row.red) << row.index;
        EXPECT_EQ(e.peGreen, row.green) << row.index;
        EXPECT_EQ(e.peBlue, row.blue) << row.index;
        EXPECT_EQ(e.peFlags, 0) << row.index;
    }
    // Red repeats every 16 entries, green every 64, blue is the index.
    for (size_t i = 16; i < 256; ++i) {
        EXPECT_EQ(entries[i].peRed, entries[i - 16].peRed) << i;
        EXPECT_EQ(entries[i].peBlue, i);
        if (i >= 64) {
            EXPECT_EQ(entries[i].peGreen, entries[i - 64].peGreen) << i;
        }
    }
}

TEST(MakePalette, ReplacesAPaletteTheObjectHeld)
{
    CPalette palette;
    ZV_MakePalette(&palette);
    ZV_MakePalette(&palette);  // the first palette is deleted (checked by the leak sanitizer)
    EXPECT_EQ(palette.GetEntryCount(), 256);
    ZV_MakePalette(nullptr);
}

TEST(MakePalette, OutOfMemoryIsReportedAndLeavesThePaletteAlone)
{
    zv::test::HostServicesRecorder recorder;
    CPalette palette;
    {
        AllocationLimit limit(1031);
        ZV_MakePalette(&palette);
    }
    EXPECT_EQ(palette.GetSafeHandle(), nullptr);
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "Out of memory.");
}

TEST(Palette, OwnsOneHandleAtATime)
{
    CPalette palette;
    EXPECT_FALSE(palette.Attach(nullptr));
    EXPECT_FALSE(palette.DeleteObject());
    EXPECT_EQ(palette.GetEntryCount(), 0);

    ZV_MakePalette(&palette);
    zv::HGDIOBJ handle = palette.Detach();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(palette.GetSafeHandle(), nullptr);
    EXPECT_EQ(palette.GetEntryCount(), 0);

    CPalette other;
    EXPECT_TRUE(other.Attach(handle));
    EXPECT_TRUE(other.Attach(handle));  // attaching what it already owns changes nothing
    EXPECT_EQ(other.GetEntryCount(), 256);
    EXPECT_TRUE(other.DeleteObject());
    EXPECT_EQ(other.GetSafeHandle(), nullptr);
}

TEST(Palette, CopiesOnlyEntriesThatExist)
{
    CPalette palette;
    ZV_MakePalette(&palette);
    PALETTEENTRY entries[10] = {};
    EXPECT_EQ(palette.GetPaletteEntries(250, 10, entries), 6u);
    EXPECT_EQ(entries[5].peBlue, 255);
    EXPECT_EQ(entries[6].peBlue, 0);  // untouched
    EXPECT_EQ(palette.GetPaletteEntries(256, 1, entries), 0u);
    EXPECT_EQ(palette.GetPaletteEntries(0, 1, nullptr), 0u);
}

TEST(Palette, CreatePaletteChecksTheBlock)
{
    std::vector<uint8_t> block(4 + 2 * 4, 0);
    auto create = [&](uint16_t version, uint16_t count) {
        std::memcpy(block.data(), &version, 2);
        std::memcpy(block.data() + 2, &count, 2);
        return zv::platform::CreatePalette(reinterpret_cast<const zv::platform::LOGPALETTE*>(block.data()));
    };
    EXPECT_EQ(create(0x200, 2), nullptr);
    EXPECT_EQ(create(0x300, 0), nullptr);
    EXPECT_EQ(zv::platform::CreatePalette(nullptr), nullptr);
    block[4 + 4] = 99;  // red of entry 1
    CPalette palette;
    ASSERT_TRUE(palette.Attach(create(0x300, 2)));
    EXPECT_EQ(EntriesOf(palette).at(1).peRed, 99);
}

TEST(ColourBytes, WriteOneByteOfOnePixel)
{
    struct Case {
        void (*write)(uint8_t*, int32_t, int32_t, int32_t, uint8_t);
        int32_t row, column, width;
        size_t byte;
    };
    const Case cases[] = {
        {ZV_SetGbyte, 2, 5, 10, 76},
        {ZV_SetRbyte, 0, 0, 10, 0},
        {ZV_SetBbyte, 0, 0, 10, 2},
        {ZV_SetRbyte, 3, 9, 10, 117},
        {ZV_SetBbyte, 1, 0, 1, 5},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> buffer(120, 7);
        c.write(buffer.data(), c.row, c.column, c.width, 200);
        for (size_t i = 0; i < buffer.size(); ++i) {
            ASSERT_EQ(buffer[i], i == c.byte ? 200 : 7) << "row " << c.row << " column " << c.column << " byte " << i;
        }
    }
}

} // namespace
