#pragma once
// The mix file format: a header and blocks of little-endian 32-bit words holding the
// normalised values of every parameter. Pure byte work, no files and no parameters here.

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int32_t kMixFileId = 102;
constexpr int32_t kMixFileVersion = 1;

// Header: id, version, total length, file checksum, block count. Then per block: id,
// length (counted from its id word), checksum, values.
constexpr size_t kMixHeaderBytes = 20;
constexpr size_t kMixBlockHeaderBytes = 12;

// What reading a file found. The checks run in this order and the first failure wins.
enum class MixCheck {
    Ok,
    WrongIdentity,  // id or version differ
    WrongLength,    // too short for a header, or the length word does not match the size
    Corrupt,        // a checksum, a block id, a block length or a block count is wrong
};

// The text the user sees for a failed check; "" for MixCheck::Ok.
const char* MixCheckMessage(MixCheck check);

// A whole file of one block holding values, in write order.
std::vector<uint8_t> BuildMixFile(int32_t id, int32_t version, const std::vector<float>& values);

// Checks a whole file held in memory and, when every check passes, gives the values of its
// first block. parameterCount bounds the length of every block. Nothing outside
// data[0..size) is read, whatever the words say.
MixCheck ParseMixFile(const uint8_t* data, size_t size, int32_t id, int32_t version,
                      int parameterCount, std::vector<float>* values);
