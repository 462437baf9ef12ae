#include "core/Resource.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

Resource g_resources;

namespace {

// Reads one big-endian 32-bit word, most significant byte first. False at the end of the file.
bool ReadBigEndian32(FILE* file, uint32_t* word) {
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 4, file) != 4) return false;
    *word = (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
            (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
    return true;
}

// The size of a regular file, or -1 for anything that cannot be read as one.
long long RegularFileSize(FILE* file) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<long long>(info.st_size);
}

bool SeekTo(FILE* file, unsigned long long offset) {
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

constexpr size_t kNameBytes = 256;

}  // namespace

ResourceElement::ResourceElement(const char* elementName, FILE* file, uint32_t maxLength)
    : name{}, length(0), reserved(0), data(nullptr), valid(false) {
    if (elementName != nullptr) {
        const size_t n = strnlen(elementName, kNameBytes - 1);
        std::memcpy(name, elementName, n);
        name[n] = '\0';
    }
    if (file == nullptr) return;

    uint32_t announced = 0;
    uint32_t reservedWord = 0;
    if (!ReadBigEndian32(file, &announced) || !ReadBigEndian32(file, &reservedWord)) return;
    reserved = static_cast<int32_t>(reservedWord);
    // A length beyond the bytes the file still holds marks a damaged entry: nothing is
    // allocated for it.
    if (announced > maxLength || announced > 0x7FFFFFFFu) return;
    length = static_cast<int32_t>(announced);

    // Never malloc(0): a NULL data pointer means "no such resource" to the callers.
    data = static_cast<unsigned char*>(std::malloc(announced != 0 ? announced : 1));
    if (data == nullptr) {
        valid = true;  // an allocation failure is kept as an element without data
        return;
    }
    valid = std::fread(data, 1, announced, file) == announced;
}

Resource::Resource() : owns(1) {}

Resource::~Resource() {
    ClearAll();
}

void Resource::ClearAll() {
    if (owns) {
        for (ResourceElement* e : elements) {
            std::free(e->data);
            delete e;
        }
    }
    elements.clear();
}

bool Resource::GetString(FILE* file, char* buf) {
    if (file == nullptr || buf == nullptr) return false;
    for (size_t i = 0; i < kNameBytes - 1; ++i) {
        const int c = std::fgetc(file);
        if (c == EOF) {
            buf[i] = '\0';
            return false;
        }
        buf[i] = static_cast<char>(c);
        if (c == 0) return true;
    }
    buf[kNameBytes - 1] = '\0';  // longer names are cut to their first 255 bytes
    return true;
}

void Resource::LoadFile(const char* path) {
    ClearAll();
    if (path == nullptr) return;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return;

    const long long size = RegularFileSize(file);
    uint32_t count = 0;
    if (size < 4 || !ReadBigEndian32(file, &count)) {
        std::fclose(file);
        return;
    }
    const unsigned long long fileSize = static_cast<unsigned long long>(size);

    // The count is a signed 32-bit number; a directory that runs past the end of the file ends
    // where the file does.
    for (int32_t i = 0; i < static_cast<int32_t>(count); ++i) {
        const unsigned long long entry = 4ull + 8ull * static_cast<unsigned long long>(i);
        if (entry + 8 > fileSize) break;
        uint32_t nameOffset = 0;
        uint32_t dataOffset = 0;
        if (!SeekTo(file, entry) || !ReadBigEndian32(file, &nameOffset) ||
            !ReadBigEndian32(file, &dataOffset)) {
            break;
        }

        // A damaged entry (offsets outside the file, a name without its NUL, data running past
        // the end) is skipped; the others still load.
        char name[kNameBytes];
        if (nameOffset >= fileSize || !SeekTo(file, nameOffset) || !GetString(file, name)) {
            continue;
        }
        if (static_cast<unsigned long long>(dataOffset) + 8 > fileSize ||
            !SeekTo(file, dataOffset)) {
            continue;
        }
        const unsigned long long room = fileSize - dataOffset - 8;
        const uint32_t maxLength = room < 0x7FFFFFFFull ? static_cast<uint32_t>(room) : 0x7FFFFFFFu;
        ResourceElement* element = new ResourceElement(name, file, maxLength);
        if (!element->IsValid()) {
            std::free(element->data);
            delete element;
            continue;
        }
        elements.push_back(element);
    }
    std::fclose(file);
}

ResourceElement* Resource::GetResourceByName(const char* name) {
    if (name == nullptr) return nullptr;
    for (ResourceElement* e : elements) {
        if (ResStrcmp(e->name, name) == 0) return e;
    }
    return nullptr;
}

int Resource::ResStrcmp(const char* a, const char* b) {
    if (a == nullptr) a = "";
    if (b == nullptr) b = "";
    // A byte of 31 or less (read as a signed char) ends its string and compares as 0; neither
    // string is read past its end.
    for (size_t i = 0;; ++i) {
        const signed char ca = static_cast<signed char>(a[i]);
        const signed char cb = static_cast<signed char>(b[i]);
        const int ea = ca <= 31 ? 0 : ca;
        const int eb = cb <= 31 ? 0 : cb;
        if (ea != eb) return ea - eb;
        if (ea == 0) return 0;
    }
}
