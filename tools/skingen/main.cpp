// skingen OUT.res [--bmp-dir DIR]
// Draws every skin image and packs them into the resource archive. With --bmp-dir each
// image is also written there as NAME, for looking at.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/resarchive/ResourceArchiveWriter.h"
#include "tools/skingen/BmpFile.h"
#include "tools/skingen/SkinImages.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out, bmpDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bmp-dir") == 0 && i + 1 < argc)
            bmpDir = argv[++i];
        else if (out.empty() && argv[i][0] != '-')
            out = argv[i];
        else {
            std::fprintf(stderr, "skingen: unknown argument %s\n", argv[i]);
            return 1;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: skingen OUT.res [--bmp-dir DIR]\n");
        return 1;
    }

    std::vector<std::string> warnings;
    const std::vector<NamedImage> images = BuildSkinImages(warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "skingen: warning: %s\n", w.c_str());

    // A table naming an image we do not draw is a fault of the generator: stop the build.
    int missing = 0;
    for (const std::string& name : ImageNamesInTables()) {
        const bool drawn = std::any_of(images.begin(), images.end(),
                                       [&](const NamedImage& i) { return i.name == name; });
        if (!drawn) {
            std::fprintf(stderr, "skingen: no picture drawn for %s\n", name.c_str());
            ++missing;
        }
    }
    if (missing) return 1;

    std::vector<ResourceBlob> blobs;
    for (const NamedImage& i : images) {
        blobs.emplace_back(i.name, EncodeBmp24(i.image));
        if (!bmpDir.empty() && !WriteFile(bmpDir + "/" + i.name, blobs.back().second)) {
            std::fprintf(stderr, "skingen: cannot write %s/%s\n", bmpDir.c_str(), i.name.c_str());
            return 1;
        }
    }
    std::string error;
    if (!WriteResourceArchive(out, blobs, &error)) {
        std::fprintf(stderr, "skingen: %s: %s\n", out.c_str(), error.c_str());
        return 1;
    }
    std::printf("skingen: %zu images written to %s\n", images.size(), out.c_str());
    return 0;
}
