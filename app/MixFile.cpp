#include "app/MixFile.h"

#include <cstring>

namespace {

uint32_t WordAt(const uint8_t* data, size_t offset) {
    return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 |
           uint32_t(data[offset + 2]) << 16 | uint32_t(data[offset + 3]) << 24;
}

void PutWord(std::vector<uint8_t>& out, size_t offset, uint32_t word) {
    out[offset] = uint8_t(word);
    out[offset + 1] = uint8_t(word >> 8);
    out[offset + 2] = uint8_t(word >> 16);
    out[offset + 3] = uint8_t(word >> 24);
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float BitsFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Sum of the words in [begin, begin + bytes), the word at skip counted as 0. Sums wrap.
uint32_t SumWords(const uint8_t* data, size_t begin, size_t bytes, size_t skip) {
    uint32_t sum = 0;
    for (size_t offset = begin; offset + 4 <= begin + bytes; offset += 4) {
        if (offset != skip) sum += WordAt(data, offset);
    }
    return sum;
}

constexpr size_t kLengthOffset = 8;
constexpr size_t kFileSumOffset = 12;
constexpr size_t kBlockCountOffset = 16;

}  // namespace

const char* MixCheckMessage(MixCheck check) {
    switch (check) {
        case MixCheck::Ok: return "";
        case MixCheck::WrongIdentity:
            return "Sorry, but this file is too old, and is no longer supported! We've had to "
                   "change "
                   "the file format to make it more robust and work better! Any new files you "
                   "create "
                   "will work ok though.";
        case MixCheck::WrongLength: return "This file has the wrong length.";
        case MixCheck::Corrupt: return "This file is corrupt.";
    }
    return "";
}

std::vector<uint8_t> BuildMixFile(int32_t id, int32_t version, const std::vector<float>& values) {
    const size_t blockBytes = kMixBlockHeaderBytes + 4 * values.size();
    const size_t total = kMixHeaderBytes + blockBytes;
    std::vector<uint8_t> out(total, 0);

    const size_t block = kMixHeaderBytes;
    PutWord(out, block, 0);
    PutWord(out, block + 4, uint32_t(blockBytes));
    for (size_t i = 0; i < values.size(); ++i)
        PutWord(out, block + kMixBlockHeaderBytes + 4 * i, FloatBits(values[i]));
    // The block checksum comes first: the file checksum counts it as stored.
    PutWord(out, block + 8, SumWords(out.data(), block, blockBytes, block + 8));

    PutWord(out, 0, uint32_t(id));
    PutWord(out, 4, uint32_t(version));
    PutWord(out, kLengthOffset, uint32_t(total));
    PutWord(out, kBlockCountOffset, 1);
    PutWord(out, kFileSumOffset, SumWords(out.data(), 0, total, kFileSumOffset));
    return out;
}

MixCheck ParseMixFile(const uint8_t* data, size_t size, int32_t id, int32_t version,
                      int parameterCount, std::vector<float>* values) {
    // Trailing bytes past the last whole word are not part of the file's words.
    const size_t wholeBytes = size / 4 * 4;

    // Too short to hold an identity: a truncated file rather than a foreign one.
    if (wholeBytes < 8) return MixCheck::WrongLength;
    if (WordAt(data, 0) != uint32_t(id) || WordAt(data, 4) != uint32_t(version))
        return MixCheck::WrongIdentity;
    if (wholeBytes < kMixHeaderBytes || WordAt(data, kLengthOffset) != wholeBytes)
        return MixCheck::WrongLength;

    if (SumWords(data, 0, wholeBytes, kFileSumOffset) != WordAt(data, kFileSumOffset))
        return MixCheck::Corrupt;

    const uint32_t blockCount = WordAt(data, kBlockCountOffset);
    if (blockCount == 0) return MixCheck::Corrupt;

    const size_t maxBlockBytes =
        kMixBlockHeaderBytes + 4 * size_t(parameterCount > 0 ? parameterCount : 0);
    size_t offset = kMixHeaderBytes;
    size_t firstBlockBytes = 0;
    // Every block takes at least its 12 header bytes, so the walk ends with the file even
    // when the count is huge.
    for (uint32_t b = 0; b < blockCount; ++b) {
        if (offset + kMixBlockHeaderBytes > wholeBytes) return MixCheck::Corrupt;
        const uint32_t blockId = WordAt(data, offset);
        const uint32_t blockBytes = WordAt(data, offset + 4);
        // A length need not be a whole number of words: the block's sum and its values
        // take the whole words it holds, and the next block starts right after its bytes.
        if (blockId != 0 || blockBytes < kMixBlockHeaderBytes || blockBytes > maxBlockBytes ||
            blockBytes > wholeBytes - offset)
            return MixCheck::Corrupt;
        if (SumWords(data, offset, blockBytes, offset + 8) != WordAt(data, offset + 8))
            return MixCheck::Corrupt;
        if (b == 0) firstBlockBytes = blockBytes;
        offset += blockBytes;
    }

    if (values) {
        values->clear();
        const size_t first = kMixHeaderBytes + kMixBlockHeaderBytes;
        const size_t count = (firstBlockBytes - kMixBlockHeaderBytes) / 4;
        for (size_t i = 0; i < count; ++i)
            values->push_back(BitsFloat(WordAt(data, first + 4 * i)));
    }
    return MixCheck::Ok;
}
