#include "tools/resarchive/ResourceArchiveWriter.h"

#include <cstdio>

namespace {

constexpr size_t kMaxNameLength = 255;

void AppendBigEndian32(std::vector<uint8_t>* out, uint32_t word) {
    out->push_back(static_cast<uint8_t>(word >> 24));
    out->push_back(static_cast<uint8_t>(word >> 16));
    out->push_back(static_cast<uint8_t>(word >> 8));
    out->push_back(static_cast<uint8_t>(word));
}

void PutBigEndian32(std::vector<uint8_t>* out, size_t at, uint32_t word) {
    (*out)[at] = static_cast<uint8_t>(word >> 24);
    (*out)[at + 1] = static_cast<uint8_t>(word >> 16);
    (*out)[at + 2] = static_cast<uint8_t>(word >> 8);
    (*out)[at + 3] = static_cast<uint8_t>(word);
}

void SetError(std::string* error, const std::string& message) {
    if (error != nullptr) *error = message;
}

// The reader ends a name at its first byte below 32 as a signed char, which includes every
// byte from 0x80 up; such a name could never be looked up again.
bool NameIsStorable(const std::string& name, std::string* error) {
    if (name.size() > kMaxNameLength) {
        SetError(error, "resource name longer than 255 bytes: " + name.substr(0, 40) + "...");
        return false;
    }
    for (unsigned char c : name) {
        if (c < 32 || c >= 0x80) {
            SetError(error, "resource name holds a control or non-ASCII byte: " + name);
            return false;
        }
    }
    return true;
}

}  // namespace

bool BuildResourceArchive(const std::vector<ResourceBlob>& blobs, std::vector<uint8_t>* out,
                          std::string* error) {
    if (out == nullptr) {
        SetError(error, "no output buffer");
        return false;
    }
    out->clear();
    unsigned long long total = 4ull + 8ull * blobs.size();
    for (const ResourceBlob& blob : blobs) {
        if (!NameIsStorable(blob.first, error)) return false;
        total += blob.first.size() + 1 + 8 + blob.second.size();
    }
    // Offsets are 32-bit and the reader takes the count as a signed number.
    if (total > 0xFFFFFFFFull || blobs.size() > 0x7FFFFFFFull) {
        SetError(error, "archive too large for 32-bit offsets");
        return false;
    }

    out->reserve(static_cast<size_t>(total));
    AppendBigEndian32(out, static_cast<uint32_t>(blobs.size()));
    out->resize(4 + 8 * blobs.size(), 0);
    for (size_t i = 0; i < blobs.size(); ++i) {
        const ResourceBlob& blob = blobs[i];
        PutBigEndian32(out, 4 + 8 * i, static_cast<uint32_t>(out->size()));
        out->insert(out->end(), blob.first.begin(), blob.first.end());
        out->push_back(0);
        PutBigEndian32(out, 8 + 8 * i, static_cast<uint32_t>(out->size()));
        AppendBigEndian32(out, static_cast<uint32_t>(blob.second.size()));
        AppendBigEndian32(out, 0);  // reserved
        out->insert(out->end(), blob.second.begin(), blob.second.end());
    }
    return true;
}

bool WriteResourceArchive(const std::string& path, const std::vector<ResourceBlob>& blobs,
                          std::string* error) {
    std::vector<uint8_t> bytes;
    if (!BuildResourceArchive(blobs, &bytes, error)) return false;

    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        SetError(error, "cannot create " + temporary);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(temporary.c_str());
        SetError(error, "cannot write " + temporary);
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        SetError(error, "cannot replace " + path);
        return false;
    }
    return true;
}
