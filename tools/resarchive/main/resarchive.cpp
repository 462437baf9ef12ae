// resarchive OUT.res NAME=FILE...: packs files into a resource archive under the given names.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/resarchive/ResourceArchiveWriter.h"
#include "tools/resarchive/SourceFile.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: resarchive OUT.res NAME=FILE...\n");
        return 1;
    }
    std::vector<ResourceBlob> blobs;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == argument.size()) {
            std::fprintf(stderr, "resarchive: expected NAME=FILE, got \"%s\"\n", argv[i]);
            return 1;
        }
        const std::string name = argument.substr(0, equals);
        const std::string path = argument.substr(equals + 1);
        std::vector<uint8_t> bytes;
        std::string error;
        if (!ReadSourceFile(path, &bytes, &error)) {
            std::fprintf(stderr, "resarchive: %s\n", error.c_str());
            return 1;
        }
        blobs.emplace_back(name, std::move(bytes));
    }
    std::string error;
    if (!WriteResourceArchive(argv[1], blobs, &error)) {
        std::fprintf(stderr, "resarchive: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
