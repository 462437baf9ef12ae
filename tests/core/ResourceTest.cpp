#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/Resource.h"
#include "tools/resarchive/ResourceArchiveWriter.h"
#include "tools/resarchive/SourceFile.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

void PutWord(std::vector<uint8_t>* out, size_t at, uint32_t word) {
    if (out->size() < at + 4) out->resize(at + 4, 0);
    (*out)[at] = static_cast<uint8_t>(word >> 24);
    (*out)[at + 1] = static_cast<uint8_t>(word >> 16);
    (*out)[at + 2] = static_cast<uint8_t>(word >> 8);
    (*out)[at + 3] = static_cast<uint8_t>(word);
}

class ResourceTest : public ::testing::Test {
  protected:
    ResourceTest() {
        char name[] = "/tmp/mirovan-res-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        path = name;
    }
    ~ResourceTest() override { std::remove(path.c_str()); }

    void WriteRaw(const std::vector<uint8_t>& bytes) {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }

    void Load(const std::vector<ResourceBlob>& blobs) {
        std::string error;
        ASSERT_TRUE(WriteResourceArchive(path, blobs, &error)) << error;
        archive.LoadFile(path.c_str());
    }

    std::string DataOf(const char* name) {
        ResourceElement* e = archive.GetResourceByName(name);
        if (e == nullptr || e->GetData() == nullptr) return "<none>";
        return std::string(reinterpret_cast<char*>(e->GetData()),
                           static_cast<size_t>(e->GetLength()));
    }

    std::string path;
    Resource archive;
};

TEST_F(ResourceTest, WrittenArchiveReadsBackInDirectoryOrder) {
    Load({{"Canvas", Bytes("BMcanvas")},
          {"Knob", Bytes("")},
          {"Fader", Bytes(std::string(5000, 'f'))}});
    ASSERT_EQ(archive.elements.size(), 3u);
    EXPECT_STREQ(archive.elements[0]->name, "Canvas");
    EXPECT_STREQ(archive.elements[1]->name, "Knob");
    EXPECT_STREQ(archive.elements[2]->name, "Fader");
    EXPECT_EQ(DataOf("Canvas"), "BMcanvas");
    EXPECT_EQ(DataOf("Knob"), "");
    EXPECT_NE(archive.GetResourceByName("Knob")->GetData(), nullptr);  // empty is not missing
    EXPECT_EQ(DataOf("Fader"), std::string(5000, 'f'));
    EXPECT_EQ(archive.GetResourceByName("Meter"), nullptr);
    EXPECT_EQ(archive.GetResourceByName(nullptr), nullptr);
}

TEST_F(ResourceTest, FirstOfTwoEqualNamesIsFound) {
    Load({{"A", Bytes("first")}, {"A", Bytes("second")}});
    EXPECT_EQ(DataOf("A"), "first");
}

TEST_F(ResourceTest, LookupEndsNamesAtControlBytesAndIsCaseSensitive) {
    Load({{"flKnob", Bytes("k")}});
    EXPECT_EQ(DataOf("flknob"), "<none>");
    EXPECT_EQ(DataOf("flKnob\n"), "k");
    EXPECT_EQ(DataOf("flKnob\r\nnext line"), "k");
    EXPECT_EQ(DataOf("flKnob\x01junk"), "k");
    EXPECT_EQ(DataOf("flKno"), "<none>");
}

TEST(ResStrcmp, ComparesAsSignedCharsUpToTheFirstEndByte) {
    EXPECT_EQ(Resource::ResStrcmp("abc", "abc"), 0);
    EXPECT_EQ(Resource::ResStrcmp("abc\x1f"
                                  "x",
                                  "abc\ny"),
              0);
    EXPECT_EQ(Resource::ResStrcmp("abc\xe9", "abc"), 0);  // bytes from 0x80 up end a name
    EXPECT_EQ(Resource::ResStrcmp("abd", "abc"), 1);
    EXPECT_EQ(Resource::ResStrcmp("ab", "abc"), -'c');
    EXPECT_EQ(Resource::ResStrcmp("A", "a"), 'A' - 'a');
    EXPECT_EQ(Resource::ResStrcmp(nullptr, ""), 0);
}

TEST_F(ResourceTest, LongNameIsCutTo255Bytes) {
    // The writer refuses such names, so the file is laid out by hand.
    const std::string longName(300, 'n');
    std::vector<uint8_t> file;
    PutWord(&file, 0, 1);
    PutWord(&file, 4, 12);
    PutWord(&file, 8, 12 + 301);
    file.insert(file.end(), longName.begin(), longName.end());
    file.push_back(0);
    PutWord(&file, file.size(), 2);
    PutWord(&file, file.size(), 0xDEADBEEF);
    file.push_back('o');
    file.push_back('k');
    WriteRaw(file);
    archive.LoadFile(path.c_str());
    ASSERT_EQ(archive.elements.size(), 1u);
    EXPECT_EQ(std::strlen(archive.elements[0]->name), 255u);
    EXPECT_EQ(DataOf(longName.substr(0, 255).c_str()), "ok");
    EXPECT_EQ(DataOf(longName.c_str()), "<none>");
    EXPECT_EQ(archive.elements[0]->reserved, static_cast<int32_t>(0xDEADBEEF));
}

TEST_F(ResourceTest, ReloadingReplacesTheContents) {
    Load({{"A", Bytes("1")}, {"B", Bytes("2")}});
    archive.LoadFile(path.c_str());
    EXPECT_EQ(archive.elements.size(), 2u);
    archive.LoadFile("/nonexistent/ProjectResources.res");
    EXPECT_TRUE(archive.elements.empty());
    archive.LoadFile(nullptr);
    archive.LoadFile("/tmp");  // a folder cannot be read as an archive
    EXPECT_TRUE(archive.elements.empty());
}

// A loaded archive's data lies in its file, elements read from elsewhere own theirs; both kinds
// live side by side, and clearing frees each as it must (the sanitizer run checks the frees).
TEST_F(ResourceTest, LoadedDataStaysPrivateAndLivesBesideOwnedElements) {
    Load({{"A", Bytes("file")}});
    std::vector<uint8_t> block{0, 0, 0, 3, 0, 0, 0, 0, 'o', 'w', 'n'};
    FILE* f = fmemopen(block.data(), block.size(), "rb");
    ASSERT_NE(f, nullptr);
    archive.elements.push_back(new ResourceElement("B", f));
    std::fclose(f);
    EXPECT_EQ(DataOf("A"), "file");
    EXPECT_EQ(DataOf("B"), "own");
    EXPECT_FALSE(archive.GetResourceByName("A")->OwnsData());
    EXPECT_TRUE(archive.GetResourceByName("B")->OwnsData());

    // Writing into loaded data changes neither the file nor a later load of it.
    archive.GetResourceByName("A")->GetData()[0] = 'F';
    EXPECT_EQ(DataOf("A"), "File");
    archive.LoadFile(path.c_str());
    EXPECT_EQ(DataOf("A"), "file");
    EXPECT_EQ(DataOf("B"), "<none>");
}

// An install rewrites the archive's file in place, cutting it short first, possibly while a
// program that loaded it still starts up: what was loaded stays readable and unchanged.
TEST_F(ResourceTest, FileRewrittenAfterLoadingLeavesTheLoadedDataAlone) {
    const std::string big(3 * 4096, 'b');
    Load({{"A", Bytes("first")}, {"B", Bytes(big)}});
    ASSERT_EQ(truncate(path.c_str(), 0), 0);
    EXPECT_EQ(DataOf("A"), "first");
    EXPECT_EQ(DataOf("B"), big);
    WriteRaw(Bytes(std::string(4 * 4096, 'x')));
    EXPECT_EQ(DataOf("B"), big);
}

TEST_F(ResourceTest, EmptyAndTruncatedFilesGiveAnEmptyArchive) {
    Load({});
    EXPECT_TRUE(archive.elements.empty());
    for (const std::vector<uint8_t>& file :
         {std::vector<uint8_t>{}, std::vector<uint8_t>{0, 0}, std::vector<uint8_t>{0, 0, 0, 9}}) {
        WriteRaw(file);
        archive.LoadFile(path.c_str());
        EXPECT_TRUE(archive.elements.empty());
    }
}

TEST_F(ResourceTest, DamagedEntriesAreSkippedAndTheRestStillLoad) {
    std::vector<uint8_t> good;
    std::string error;
    ASSERT_TRUE(BuildResourceArchive(
        {{"A", Bytes("aaaa")}, {"B", Bytes("bbbb")}, {"C", Bytes("cccc")}, {"D", Bytes("dd")}},
        &good, &error));
    const uint32_t size = static_cast<uint32_t>(good.size());

    std::vector<uint8_t> file = good;
    PutWord(&file, 4, size + 100);  // A: name offset beyond the file
    PutWord(&file, 16, size - 4);   // B: data header runs past the end
    // C: length larger than what follows its header
    const uint32_t cData =
        (static_cast<uint32_t>(file[24]) << 24) | (file[25] << 16) | (file[26] << 8) | file[27];
    PutWord(&file, cData, 0x7FFFFFF0);
    WriteRaw(file);
    archive.LoadFile(path.c_str());
    ASSERT_EQ(archive.elements.size(), 1u);
    EXPECT_EQ(DataOf("D"), "dd");
}

TEST_F(ResourceTest, CountBeyondTheDirectoryStopsAtTheFileEnd) {
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(BuildResourceArchive({{"A", Bytes("x")}}, &file, &error));
    PutWord(&file, 0, 1000000);
    WriteRaw(file);
    archive.LoadFile(path.c_str());
    // The directory slots past the first overlap the name and data, which do not form valid
    // entries; nothing is read beyond the file and the intact first entry stays.
    EXPECT_EQ(DataOf("A"), "x");
    EXPECT_LE(archive.elements.size(), 2u);

    PutWord(&file, 0, 0x80000000u);  // negative as a signed count: no entries
    WriteRaw(file);
    archive.LoadFile(path.c_str());
    EXPECT_TRUE(archive.elements.empty());
}

TEST(ResourceArchiveWriter, RefusesNamesTheReaderCouldNotFind) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(BuildResourceArchive({{std::string(256, 'x'), {}}}, &out, &error));
    EXPECT_NE(error.find("255"), std::string::npos);
    EXPECT_FALSE(BuildResourceArchive({{"two\nlines", {}}}, &out, &error));
    EXPECT_FALSE(BuildResourceArchive({{"caf\xc3\xa9", {}}}, &out, &error));
    EXPECT_TRUE(BuildResourceArchive({{std::string(255, 'x'), {}}}, &out, &error));
    EXPECT_FALSE(WriteResourceArchive("/nonexistent/dir/out.res", {}, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(ResourceTest, SourceFilesAreReadWholeAndOnlyFromRegularFiles) {
    WriteRaw(Bytes(std::string(70000, 'b') + "end"));  // more than one read chunk
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ReadSourceFile(path, &bytes, &error)) << error;
    EXPECT_EQ(bytes, Bytes(std::string(70000, 'b') + "end"));

    EXPECT_FALSE(ReadSourceFile("/tmp", &bytes, &error));  // a folder is not packed as empty
    EXPECT_TRUE(bytes.empty());
    EXPECT_NE(error.find("/tmp"), std::string::npos);
    EXPECT_FALSE(ReadSourceFile("/nonexistent/Knob.bmp", &bytes, &error));
}

TEST(ResourceArchiveWriter, LaysOutTheDirectoryThenNamesAndData) {
    std::vector<uint8_t> out;
    std::string error;
    ASSERT_TRUE(BuildResourceArchive({{"AB", {1, 2, 3}}}, &out, &error));
    const std::vector<uint8_t> expected = {0,   0, 0, 1, 0, 0, 0, 12, 0, 0, 0, 15, 'A',
                                           'B', 0, 0, 0, 0, 3, 0, 0,  0, 0, 1, 2,  3};
    EXPECT_EQ(out, expected);
}

}  // namespace
