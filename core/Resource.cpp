#include "core/Resource.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

uint32_t BigEndian32(const unsigned char* bytes) {
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

// Reads size bytes of fd into to; false on an error or an early end.
bool ReadWhole(int fd, void* to, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, static_cast<char*>(to) + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

constexpr size_t kNameBytes = 256;

// Reads one name into buf (kNameBytes bytes) from nextByte, which gives the next byte of the
// archive or EOF: up to and including its NUL, cut to 255 bytes. False when the archive ends
// before the name does.
template <typename NextByte>
bool ReadName(NextByte nextByte, char* buf) {
    for (size_t i = 0; i < kNameBytes - 1; ++i) {
        const int c = nextByte();
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

// The name at offset of an archive held in memory, read as from a file.
bool NameAt(const unsigned char* bytes, unsigned long long size, unsigned long long offset,
            char* name) {
    return ReadName([&] { return offset < size ? int{bytes[offset++]} : EOF; }, name);
}

// Copies a name into an element's 256 bytes, cut to 255.
void CopyName(char* to, const char* from) {
    if (from == nullptr) return;
    const size_t n = strnlen(from, kNameBytes - 1);
    std::memcpy(to, from, n);
    to[n] = '\0';
}

}  // namespace

ResourceElement::ResourceElement(const char* elementName, FILE* file, uint32_t maxLength)
    : name{}, length(0), reserved(0), data(nullptr), valid(false), ownsData(true) {
    CopyName(name, elementName);
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

ResourceElement::ResourceElement(const char* elementName, unsigned char* bytes, int32_t length,
                                 int32_t reserved)
    : name{}, length(length), reserved(reserved), data(bytes), valid(true), ownsData(false) {
    CopyName(name, elementName);
}

Resource::Resource() : owns(1) {}

Resource::~Resource() {
    ClearAll();
}

void Resource::ClearAll() {
    if (owns) {
        for (ResourceElement* e : elements) {
            if (e->OwnsData()) std::free(e->data);
            delete e;
        }
        ReleaseContents();
    }
    elements.clear();
}

void Resource::ReleaseContents() {
    if (contents != nullptr) ::munmap(contents, contentsSize);
    contents = nullptr;
    contentsSize = 0;
}

bool Resource::GetString(FILE* file, char* buf) {
    if (file == nullptr || buf == nullptr) return false;
    return ReadName([file] { return std::fgetc(file); }, buf);
}

void Resource::LoadFile(const char* path) {
    ClearAll();
    if (path == nullptr) return;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 4) {
        ::close(fd);
        return;
    }
    const size_t size = static_cast<size_t>(info.st_size);
    // The archive is copied, never mapped: a mapping of the file would die with SIGBUS when
    // the file is cut short or rewritten in place (as an install does) while it is loaded.
    // Fresh memory is taken with its pages already present, so filling it costs no fault per
    // page (the heap's would fault on each, which makes start-up slower).
    void* pages = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (pages != MAP_FAILED) {
        contents = pages;
        contentsSize = size;
        if (!ReadWhole(fd, contents, size)) ReleaseContents();
    }
    ::close(fd);
    if (contents != nullptr) ReadDirectory(static_cast<unsigned char*>(contents), size);
}

void Resource::ReadDirectory(unsigned char* bytes, unsigned long long size) {
    const uint32_t count = BigEndian32(bytes);
    // The count is a signed 32-bit number; a directory that runs past the end of the file ends
    // where the file does.
    for (int32_t i = 0; i < static_cast<int32_t>(count); ++i) {
        const unsigned long long entry = 4ull + 8ull * static_cast<unsigned long long>(i);
        if (entry + 8 > size) break;
        const uint32_t nameOffset = BigEndian32(bytes + entry);
        const uint32_t dataOffset = BigEndian32(bytes + entry + 4);

        // A damaged entry (offsets outside the file, a name without its NUL, data running past
        // the end) is skipped; the others still load.
        char name[kNameBytes];
        if (nameOffset >= size || !NameAt(bytes, size, nameOffset, name)) continue;
        const unsigned long long header = dataOffset;
        if (header + 8 > size) continue;
        const uint32_t length = BigEndian32(bytes + header);
        if (length > size - header - 8 || length > 0x7FFFFFFFu) continue;
        elements.push_back(
            new ResourceElement(name, bytes + header + 8, static_cast<int32_t>(length),
                                static_cast<int32_t>(BigEndian32(bytes + header + 4))));
    }
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
