// Feeds arbitrary bytes to the resource archive reader as a file and looks names up in it.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/Resource.h"
#include "tests/fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFile file;
    file.Fill(data, size);

    Resource archive;
    archive.LoadFile(file.path().c_str());

    unsigned checksum = 0;
    for (ResourceElement* e : archive.elements) {
        // Every element must be a terminated name over exactly its own bytes.
        if (std::strlen(e->name) > 255) std::abort();
        if (e->GetLength() < 0 || static_cast<size_t>(e->GetLength()) > size) std::abort();
        ResourceElement* found = archive.GetResourceByName(e->name);
        if (found == nullptr) std::abort();
        if (e->GetData() != nullptr) {
            for (int i = 0; i < e->GetLength(); ++i) checksum += e->GetData()[i];
        }
    }
    // Names taken from the input itself, ending at arbitrary bytes.
    if (size > 0) {
        std::string probe(reinterpret_cast<const char*>(data), size < 300 ? size : 300);
        archive.GetResourceByName(probe.c_str());
    }
    archive.GetResourceByName("Canvas");
    return checksum == 0xFFFFFFFFu ? 1 : 0;
}
