#include "tools/resarchive/SourceFile.h"

#include <sys/stat.h>

#include <cstdio>

bool ReadSourceFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    auto fail = [error](const std::string& message) {
        if (error != nullptr) *error = message;
        return false;
    };
    if (bytes == nullptr) return fail("no buffer for " + path);
    bytes->clear();

    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return fail("cannot read " + path);
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return fail("not a regular file: " + path);
    }

    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        bytes->clear();
        return fail("cannot read " + path);
    }
    return true;
}
