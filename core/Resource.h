#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// One named blob of the resource archive. Data read from a file is the element's own: its
// owner frees it with free() and then deletes the element. Data that lies in a loaded
// archive's copy of its file belongs to the archive (see OwnsData).
class ResourceElement {
  public:
    // Builds the element from its name and the file positioned at the entry's data header
    // (length and reserved words, then the bytes). At most maxLength bytes are accepted: a
    // header announcing more, or a short read, leaves the element invalid (see IsValid).
    ResourceElement(const char* name, FILE* file, uint32_t maxLength = 0x7FFFFFFF);
    // An element over length bytes that someone else keeps.
    ResourceElement(const char* name, unsigned char* bytes, int32_t length, int32_t reserved);

    int GetLength() { return length; }
    unsigned char* GetData() { return data; }
    // False when the entry was damaged (length beyond the file, short read).
    bool IsValid() const { return valid; }
    // Whether data is the element's own, to be freed with free().
    bool OwnsData() const { return ownsData; }

    char name[256];
    int32_t length;
    int32_t reserved;
    unsigned char* data;

  private:
    bool valid;
    bool ownsData;
};

// The archive "ProjectResources.res" in memory: named blobs in directory order.
class Resource {
  public:
    Resource();
    ~Resource();

    // Replaces the contents by the file's. A file that cannot be read leaves the archive empty;
    // damaged entries are skipped; nothing is read outside the file. The file is read whole
    // into memory of the archive's own, where the elements' data lies until ClearAll; what
    // becomes of the file afterwards does not touch it.
    void LoadFile(const char* path);
    // The first element in directory order whose name equals name by ResStrcmp; NULL if none.
    ResourceElement* GetResourceByName(const char* name);
    void ClearAll();

    // Name comparison: a byte below 32 (as a signed char, so also every byte from 0x80) ends its
    // string; case-sensitive; returns the difference of the first differing bytes.
    static int ResStrcmp(const char* a, const char* b);
    // Reads one name (at most 255 bytes, then cut) into buf (256 bytes). False when the file ended
    // before the name did.
    static bool GetString(FILE* file, char* buf);

    int owns;
    std::vector<ResourceElement*> elements;

  private:
    // Reads the directory of the archive held in bytes (size bytes, at least 4).
    void ReadDirectory(unsigned char* bytes, unsigned long long size);
    void ReleaseContents();

    // The loaded file's bytes, in pages mapped for them.
    void* contents = nullptr;
    size_t contentsSize = 0;
};

// The program's one archive, loaded at start-up.
extern Resource g_resources;
