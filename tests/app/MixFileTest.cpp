#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/MixFile.h"

namespace {

constexpr int kParams = 73;

std::vector<float> SampleValues(int n) {
    std::vector<float> v;
    for (int i = 0; i < n; ++i) v.push_back(float(i) / float(n));
    return v;
}

uint32_t Word(const std::vector<uint8_t>& f, size_t offset) {
    return uint32_t(f[offset]) | uint32_t(f[offset + 1]) << 8 | uint32_t(f[offset + 2]) << 16 |
           uint32_t(f[offset + 3]) << 24;
}

void SetWord(std::vector<uint8_t>& f, size_t offset, uint32_t w) {
    for (int b = 0; b < 4; ++b) f[offset + b] = uint8_t(w >> (8 * b));
}

uint32_t Sum(const std::vector<uint8_t>& f, size_t begin, size_t bytes, size_t skip) {
    uint32_t s = 0;
    for (size_t o = begin; o + 4 <= begin + bytes && o + 4 <= f.size(); o += 4)
        if (o != skip) s += Word(f, o);
    return s;
}

// Makes every checksum and the length word right again after an edit, so that only the
// check under test can refuse the file. Block lengths are taken as they stand.
void Reseal(std::vector<uint8_t>& f, int blocks) {
    size_t offset = 20;
    for (int b = 0; b < blocks && offset + 12 <= f.size(); ++b) {
        const uint32_t len = Word(f, offset + 4);
        SetWord(f, offset + 8, Sum(f, offset, len, offset + 8));
        offset += len;
    }
    SetWord(f, 8, uint32_t(f.size() / 4 * 4));
    SetWord(f, 12, Sum(f, 0, f.size() / 4 * 4, 12));
}

MixCheck Parse(const std::vector<uint8_t>& f, std::vector<float>* values = nullptr) {
    return ParseMixFile(f.data(), f.size(), kMixFileId, kMixFileVersion, kParams, values);
}

}  // namespace

TEST(MixFileFormat, SavedFileHasTheDocumentedLayoutAndReadsBack) {
    const std::vector<float> values = SampleValues(kParams);
    const std::vector<uint8_t> f = BuildMixFile(kMixFileId, kMixFileVersion, values);

    ASSERT_EQ(f.size(), 324u);
    EXPECT_EQ(Word(f, 0), 102u);
    EXPECT_EQ(Word(f, 4), 1u);
    EXPECT_EQ(Word(f, 8), 324u);
    EXPECT_EQ(Word(f, 16), 1u);
    EXPECT_EQ(Word(f, 20), 0u);
    EXPECT_EQ(Word(f, 24), 12u + 4 * kParams);
    EXPECT_EQ(Word(f, 28), Sum(f, 20, 304, 28));
    EXPECT_EQ(Word(f, 12), Sum(f, 0, 324, 12));
    // Little-endian IEEE single precision.
    float third;
    const uint32_t bits = Word(f, 32 + 4 * 3);
    std::memcpy(&third, &bits, 4);
    EXPECT_EQ(third, values[3]);

    std::vector<float> back;
    ASSERT_EQ(Parse(f, &back), MixCheck::Ok);
    EXPECT_EQ(back, values);
}

TEST(MixFileFormat, ForeignOrOldFilesAreRefusedByIdentity) {
    std::vector<uint8_t> f = BuildMixFile(kMixFileId, kMixFileVersion, SampleValues(kParams));
    EXPECT_EQ(ParseMixFile(f.data(), f.size(), 101, kMixFileVersion, kParams, nullptr),
              MixCheck::WrongIdentity);
    EXPECT_EQ(ParseMixFile(f.data(), f.size(), kMixFileId, 2, kParams, nullptr),
              MixCheck::WrongIdentity);

    const char text[] = "#!/bin/sh\necho this is not a mix file at all\n";
    std::vector<uint8_t> script(text, text + sizeof text - 1);
    EXPECT_EQ(Parse(script), MixCheck::WrongIdentity);
    EXPECT_STREQ(MixCheckMessage(MixCheck::WrongIdentity),
                 "Sorry, but this file is too old, and is no longer supported! We've had to "
                 "change the file format to make it more robust and work better! Any new files "
                 "you create will work ok though.");
}

TEST(MixFileFormat, LengthMustMatchTheWholeWords) {
    const std::vector<uint8_t> good =
        BuildMixFile(kMixFileId, kMixFileVersion, SampleValues(kParams));

    std::vector<uint8_t> wrongWord = good;
    SetWord(wrongWord, 8, 320);
    EXPECT_EQ(Parse(wrongWord), MixCheck::WrongLength);

    // One or two stray bytes after the last word are not part of the words.
    for (int extra = 1; extra <= 3; ++extra) {
        std::vector<uint8_t> padded = good;
        padded.insert(padded.end(), size_t(extra), 0xAB);
        EXPECT_EQ(Parse(padded), MixCheck::Ok) << extra;
    }
    std::vector<uint8_t> longer = good;
    longer.insert(longer.end(), 4, 0);
    EXPECT_EQ(Parse(longer), MixCheck::WrongLength);

    std::vector<uint8_t> truncated(good.begin(), good.begin() + 200);
    EXPECT_EQ(Parse(truncated), MixCheck::WrongLength);

    // Too short for a header, including an empty file.
    for (size_t size : {0u, 3u, 7u, 8u, 12u, 19u}) {
        std::vector<uint8_t> shortFile(good.begin(), good.begin() + size);
        if (size >= 12) SetWord(shortFile, 8, uint32_t(size / 4 * 4));
        EXPECT_EQ(Parse(shortFile), MixCheck::WrongLength) << size;
    }
    EXPECT_STREQ(MixCheckMessage(MixCheck::WrongLength), "This file has the wrong length.");
}

TEST(MixFileFormat, AnyChangedBitPastTheLengthWordIsCorrupt) {
    const std::vector<uint8_t> good =
        BuildMixFile(kMixFileId, kMixFileVersion, SampleValues(kParams));
    for (size_t byte = 12; byte < good.size(); ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            std::vector<uint8_t> f = good;
            f[byte] ^= uint8_t(1 << bit);
            ASSERT_EQ(Parse(f), MixCheck::Corrupt) << "byte " << byte << " bit " << bit;
        }
    }
    EXPECT_STREQ(MixCheckMessage(MixCheck::Corrupt), "This file is corrupt.");
}

TEST(MixFileFormat, BlocksThatBreakTheirBoundsAreCorruptEvenWithRightChecksums) {
    const std::vector<uint8_t> good =
        BuildMixFile(kMixFileId, kMixFileVersion, SampleValues(kParams));

    std::vector<uint8_t> noBlocks = good;
    SetWord(noBlocks, 16, 0);
    Reseal(noBlocks, 0);
    EXPECT_EQ(Parse(noBlocks), MixCheck::Corrupt);

    std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 20);
    Reseal(headerOnly, 0);
    EXPECT_EQ(Parse(headerOnly), MixCheck::Corrupt);

    for (uint32_t len : {0u, 8u, 11u, 12u + 4 * kParams + 4, 0xFFFFFFF0u}) {
        std::vector<uint8_t> f = good;
        SetWord(f, 24, len);
        Reseal(f, 1);
        EXPECT_EQ(Parse(f), MixCheck::Corrupt) << len;
    }

    // A second block announced but running past the end of the file.
    std::vector<uint8_t> overrun = good;
    SetWord(overrun, 16, 2);
    overrun.insert(overrun.end(), {0, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0});
    Reseal(overrun, 1);
    EXPECT_EQ(Parse(overrun), MixCheck::Corrupt);

    // A huge block count ends with the file, not past it.
    std::vector<uint8_t> manyBlocks = good;
    SetWord(manyBlocks, 16, 0xFFFFFFFFu);
    Reseal(manyBlocks, 1);
    EXPECT_EQ(Parse(manyBlocks), MixCheck::Corrupt);

    std::vector<uint8_t> wrongBlockId = good;
    SetWord(wrongBlockId, 20, 1);
    Reseal(wrongBlockId, 1);
    EXPECT_EQ(Parse(wrongBlockId), MixCheck::Corrupt);
}

TEST(MixFileFormat, BlockSizesDecideHowManyValuesLoad) {
    std::vector<float> fewer;
    const std::vector<uint8_t> shortBlock =
        BuildMixFile(kMixFileId, kMixFileVersion, SampleValues(10));
    ASSERT_EQ(Parse(shortBlock, &fewer), MixCheck::Ok);
    EXPECT_EQ(fewer.size(), 10u);

    std::vector<float> none;
    ASSERT_EQ(Parse(BuildMixFile(kMixFileId, kMixFileVersion, {}), &none), MixCheck::Ok);
    EXPECT_TRUE(none.empty());

    EXPECT_EQ(Parse(BuildMixFile(kMixFileId, kMixFileVersion, SampleValues(kParams + 1))),
              MixCheck::Corrupt);

    // A length that is not a whole number of words holds the whole words within it.
    std::vector<uint8_t> ragged = BuildMixFile(kMixFileId, kMixFileVersion, SampleValues(kParams));
    SetWord(ragged, 24, 12 + 4 * (kParams - 1) + 2);
    Reseal(ragged, 1);
    std::vector<float> raggedValues;
    ASSERT_EQ(Parse(ragged, &raggedValues), MixCheck::Ok);
    const std::vector<float> all = SampleValues(kParams);
    EXPECT_EQ(raggedValues, std::vector<float>(all.begin(), all.end() - 1));

    // Two valid blocks: both are checked, only the first is loaded.
    std::vector<uint8_t> twoBlocks = BuildMixFile(kMixFileId, kMixFileVersion, SampleValues(5));
    std::vector<uint8_t> second = BuildMixFile(kMixFileId, kMixFileVersion, {0.9f, 0.8f});
    twoBlocks.insert(twoBlocks.end(), second.begin() + 20, second.end());
    SetWord(twoBlocks, 16, 2);
    Reseal(twoBlocks, 2);
    std::vector<float> first;
    ASSERT_EQ(Parse(twoBlocks, &first), MixCheck::Ok);
    EXPECT_EQ(first, SampleValues(5));

    twoBlocks[twoBlocks.size() - 1] ^= 0x01;  // a bad checksum in the block never loaded
    SetWord(twoBlocks, 12, Sum(twoBlocks, 0, twoBlocks.size(), 12));
    EXPECT_EQ(Parse(twoBlocks), MixCheck::Corrupt);
}
