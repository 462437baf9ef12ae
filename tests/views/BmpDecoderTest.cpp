// BMP decoding checked against ImageMagick: files written by `convert` are decoded by us and
// compared pixel by pixel with ImageMagick's own reading of the same file.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/views/ViewsTestSupport.h"
#include "views/Bitmap.h"
#include "views/BmpDecoder.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/mirovan_views_" +
           std::to_string(::getpid()) + "_" + name;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

// Runs a command and returns its standard output.
Bytes RunCapture(const std::string& command, int* status) {
    Bytes out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        *status = -1;
        return out;
    }
    unsigned char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.insert(out.end(), buf, buf + n);
    *status = pclose(pipe);
    return out;
}

class BmpAgainstImageMagick : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The comparison needs ImageMagick; without it the test must fail, not pass quietly.
        int status = 0;
        RunCapture("command -v convert", &status);
        haveConvert = status == 0;
    }

    // Writes an image with `convert <arguments> <format>:file` and returns the file's bytes.
    Bytes Make(const std::string& arguments, const std::string& format, const std::string& name) {
        const std::string path = TempPath(name);
        int status = 0;
        RunCapture("convert " + arguments + " " + format + ":" + path + " 2>&1", &status);
        EXPECT_EQ(status, 0) << "convert failed for " << arguments;
        Bytes data = ReadFile(path);
        std::remove(path.c_str());
        return data;
    }

    // ImageMagick's reading of the data, as 8-bit RGB triplets row by row from the top.
    Bytes Reference(const Bytes& data, const std::string& name) {
        static int serial = 0;
        const std::string path = TempPath("reference" + std::to_string(++serial) + ".bmp");
        WriteFile(path, data);
        int status = 0;
        Bytes rgb = RunCapture("convert " + path + " -depth 8 rgb:- 2>/dev/null", &status);
        std::remove(path.c_str());
        EXPECT_EQ(status, 0) << "ImageMagick could not read " << name;
        return rgb;
    }

    void ExpectSameAsImageMagick(const Bytes& data, int width, int height,
                                 const std::string& name) {
        Bitmap decoded(data.data(), static_cast<long>(data.size()));
        ASSERT_TRUE(decoded.ThereIsBitmapData()) << name;
        ASSERT_EQ(decoded.GetWidth(), width);
        ASSERT_EQ(decoded.GetHeight(), height);
        const Bytes rgb = Reference(data, name);
        ASSERT_EQ(rgb.size(), static_cast<size_t>(width) * height * 3) << name;
        int differences = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
                const long expected = (long{p[0]} << 16) | (long{p[1]} << 8) | p[2];
                if (decoded.GetPixel(x, y) != expected && ++differences <= 5) {
                    ADD_FAILURE() << name << " pixel (" << x << ", " << y << "): ours 0x"
                                  << std::hex << decoded.GetPixel(x, y) << ", ImageMagick 0x"
                                  << expected;
                }
            }
        }
        EXPECT_EQ(differences, 0) << name;
        // Decoding writes 0 into every spare byte.
        int32_t* bits = decoded.GetBits();
        for (int i = 0; i < width * height; ++i) ASSERT_EQ(pixel::Bytes(bits + i)[0], 0);
        decoded.ReleaseBits();
    }

    static bool haveConvert;
};

bool BmpAgainstImageMagick::haveConvert = false;

const char* kPlasma = "-seed 7 plasma:";

TEST_F(BmpAgainstImageMagick, InfoHeaderFilesOfEveryDepthDecodeAsImageMagickReadsThem) {
    ASSERT_TRUE(haveConvert) << "ImageMagick's convert is required (Debian package imagemagick)";
    // Odd widths make every row padded.
    ExpectSameAsImageMagick(Make(std::string("-size 7x5 ") + kPlasma, "BMP3", "i24.bmp"), 7, 5,
                            "24-bit");
    ExpectSameAsImageMagick(Make(std::string("-size 3x4 ") + kPlasma, "BMP3", "i24n.bmp"), 3, 4,
                            "24-bit, 3 wide");
    ExpectSameAsImageMagick(
        Make(std::string("-size 7x5 ") + kPlasma + " -colors 200 -type Palette -compress None",
             "BMP3", "i8.bmp"),
        7, 5, "8-bit palette");
    ExpectSameAsImageMagick(
        Make(std::string("-size 11x3 ") + kPlasma + " -colors 16 -type Palette -compress None",
             "BMP3", "i4.bmp"),
        11, 3, "4-bit palette");
    ExpectSameAsImageMagick(Make("-size 9x5 pattern:checkerboard -monochrome", "BMP3", "i1.bmp"), 9,
                            5, "1-bit palette");
    ExpectSameAsImageMagick(Make("-size 33x2 pattern:gray50 -monochrome", "BMP3", "i1w.bmp"), 33, 2,
                            "1-bit palette, 33 wide");
}

TEST_F(BmpAgainstImageMagick, CoreHeaderFilesWithThreeBytePalettesDecodeAsImageMagickReadsThem) {
    ASSERT_TRUE(haveConvert) << "ImageMagick's convert is required (Debian package imagemagick)";
    const Bytes c24 = Make(std::string("-size 7x5 ") + kPlasma, "BMP2", "c24.bmp");
    ASSERT_GT(c24.size(), 18u);
    ASSERT_EQ(c24[14], 12) << "BMP2 should write the 12-byte header";
    ExpectSameAsImageMagick(c24, 7, 5, "core 24-bit");
    ExpectSameAsImageMagick(
        Make(std::string("-size 7x5 ") + kPlasma + " -colors 200 -type Palette -compress None",
             "BMP2", "c8.bmp"),
        7, 5, "core 8-bit palette");
    ExpectSameAsImageMagick(
        Make(std::string("-size 7x5 ") + kPlasma + " -colors 16 -type Palette -compress None",
             "BMP2", "c4.bmp"),
        7, 5, "core 4-bit palette");
    ExpectSameAsImageMagick(Make("-size 9x5 pattern:checkerboard -monochrome", "BMP2", "c1.bmp"), 9,
                            5, "core 1-bit palette");
}

// Turns a bottom-up file with a 40-byte header into the same image stored top-down.
Bytes ToTopDown(const Bytes& file) {
    Bytes out = file;
    const int32_t height = file[22] | (file[23] << 8) | (file[24] << 16) | (file[25] << 24);
    const int32_t negated = -height;
    for (int i = 0; i < 4; ++i) out[22 + i] = (static_cast<uint32_t>(negated) >> (8 * i)) & 0xFF;
    const uint32_t offset = file[10] | (file[11] << 8) | (file[12] << 16) | (file[13] << 24);
    const size_t rowBytes = (file.size() - offset) / height;
    for (int r = 0; r < height; ++r) {
        std::copy(file.begin() + offset + r * rowBytes, file.begin() + offset + (r + 1) * rowBytes,
                  out.begin() + offset + (height - 1 - r) * rowBytes);
    }
    return out;
}

TEST_F(BmpAgainstImageMagick, TopDownFilesDecodeTheRightWayUp) {
    ASSERT_TRUE(haveConvert) << "ImageMagick's convert is required (Debian package imagemagick)";
    const Bytes bottomUp = Make(std::string("-size 6x4 ") + kPlasma, "BMP3", "t24.bmp");
    ExpectSameAsImageMagick(ToTopDown(bottomUp), 6, 4, "top-down 24-bit");
    const Bytes palette =
        Make(std::string("-size 6x4 ") + kPlasma + " -colors 16 -type Palette -compress None",
             "BMP3", "t4.bmp");
    ExpectSameAsImageMagick(ToTopDown(palette), 6, 4, "top-down 4-bit");

    // The same picture either way round.
    Bitmap a(bottomUp.data(), static_cast<long>(bottomUp.size()));
    const Bytes flipped = ToTopDown(bottomUp);
    Bitmap b(flipped.data(), static_cast<long>(flipped.size()));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(a.GetPixel(x, y), b.GetPixel(x, y));
}

// A hand-made 2-bit file: ImageMagick neither writes nor reads them, so the expected pixels are
// worked out by hand.
Bytes TwoBitFile() {
    const int width = 5, height = 2;
    const size_t rowBytes = 4;  // 10 bits rounded up to 2 bytes, then to 4
    Bytes v(14 + 40 + 16 + rowBytes * height, 0);
    v[0] = 'B';
    v[1] = 'M';
    v[2] = static_cast<unsigned char>(v.size());
    v[10] = 14 + 40 + 16;
    v[14] = 40;
    v[18] = width;
    v[22] = height;
    v[26] = 1;
    v[28] = 2;
    const unsigned char palette[16] = {0x00, 0x00, 0x00, 0, 0xFF, 0x00, 0x00, 0,
                                       0x00, 0xFF, 0x00, 0, 0x00, 0x00, 0xFF, 0};  // B, G, R
    std::copy(palette, palette + 16, v.begin() + 54);
    // Bottom row: indices 0 1 2 3 0; top row: 3 3 2 1 1 (leftmost in the high bits).
    const unsigned char rows[8] = {0x1B, 0x00, 0, 0, 0xF9, 0x40, 0, 0};
    std::copy(rows, rows + 8, v.begin() + 70);
    return v;
}

TEST(BmpTwoBit, PalettesPickFromTheHighBitsFirst) {
    const Bytes data = TwoBitFile();
    Bitmap b(data.data(), static_cast<long>(data.size()));
    ASSERT_TRUE(b.ThereIsBitmapData());
    const long blue = 0x0000FF, green = 0x00FF00, red = 0xFF0000;
    const long top[5] = {red, red, green, blue, blue};
    const long bottom[5] = {0, blue, green, red, 0};
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(b.GetPixel(x, 0), top[x]) << x;
        EXPECT_EQ(b.GetPixel(x, 1), bottom[x]) << x;
    }
}

// --- Refused and damaged data ------------------------------------------------------------

class BmpRefused : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<long> pixels(4 * 3);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0x102030 * static_cast<long>(i + 1);
        good = testing_views::MakeBmp24(4, 3, pixels);
    }

    static void ExpectEmpty(const Bytes& data, const char* what) {
        Bitmap b(data.data(), static_cast<long>(data.size()));
        EXPECT_FALSE(b.ThereIsBitmapData()) << what;
        EXPECT_EQ(b.GetWidth(), 0) << what;
        EXPECT_EQ(b.GetHeight(), 0) << what;
        EXPECT_EQ(b.GetRowLength(), 0) << what;
        EXPECT_EQ(b.GetBits(), nullptr) << what;
    }

    Bytes good;
};

TEST_F(BmpRefused, AWellFormedFileDecodesAndEveryTruncationOfItIsRefused) {
    Bitmap whole(good.data(), static_cast<long>(good.size()));
    ASSERT_TRUE(whole.ThereIsBitmapData());
    EXPECT_EQ(whole.GetPixel(0, 0), 0x102030);
    EXPECT_EQ(whole.GetPixel(3, 2), 0x102030 * 12);
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + n);
        Bitmap b(cut.data(), static_cast<long>(cut.size()));
        ASSERT_FALSE(b.ThereIsBitmapData()) << "decoded from " << n << " of " << good.size();
    }
    // The length given counts, not the size of the buffer behind it.
    Bitmap shortLength(good.data(), static_cast<long>(good.size()) - 1);
    EXPECT_FALSE(shortLength.ThereIsBitmapData());
    Bitmap negative(good.data(), -1);
    EXPECT_FALSE(negative.ThereIsBitmapData());
    Bitmap none(nullptr, 100);
    EXPECT_FALSE(none.ThereIsBitmapData());
}

TEST_F(BmpRefused, LayoutsOtherThanTheReadableOnesLeaveTheBitmapEmpty) {
    Bytes d = good;
    d[1] = 'A';
    ExpectEmpty(d, "wrong signature");

    for (uint32_t header : {0u, 13u, 39u, 52u, 56u, 108u, 124u}) {
        d = good;
        d[14] = header & 0xFF;
        ExpectEmpty(d, "other header size");
    }
    for (int compression : {1, 2, 3}) {
        d = good;
        d[30] = compression;
        ExpectEmpty(d, "compressed");
    }
    for (int bits : {0, 3, 16, 32}) {
        d = good;
        d[28] = bits;
        ExpectEmpty(d, "other bit count");
    }
    d = good;
    d[18] = d[19] = d[20] = d[21] = 0;
    ExpectEmpty(d, "zero width");
    d = good;
    d[22] = d[23] = d[24] = d[25] = 0;
    ExpectEmpty(d, "zero height");
    d = good;
    d[18] = 0xFF;
    d[19] = 0xFF;
    d[20] = 0xFF;
    d[21] = 0xFF;
    ExpectEmpty(d, "negative width");
    d = good;
    d[18] = 0x00;
    d[19] = 0x00;
    d[20] = 0x01;
    d[21] = 0x00;
    ExpectEmpty(d, "65536 wide");
    d = good;
    d[22] = 0x00;
    d[23] = 0x80;
    d[24] = 0x00;
    d[25] = 0x00;
    ExpectEmpty(d, "32768 high (beyond the store's limit)");
}

TEST_F(BmpRefused, AShortPaletteGivesBlackForIndicesPastIt) {
    // A 1-bit image declaring a single palette colour: index 1 has no entry.
    Bytes v(14 + 40 + 4 + 4, 0);
    v[0] = 'B';
    v[1] = 'M';
    v[10] = 58;
    v[14] = 40;
    v[18] = 2;
    v[22] = 1;
    v[26] = 1;
    v[28] = 1;
    v[46] = 1;  // colours used
    v[54] = 0x30;
    v[55] = 0x20;
    v[56] = 0x10;
    v[58] = 0x40;  // pixel 0 index 0, pixel 1 index 1
    Bitmap b(v.data(), static_cast<long>(v.size()));
    ASSERT_TRUE(b.ThereIsBitmapData());
    EXPECT_EQ(b.GetPixel(0, 0), 0x102030);
    EXPECT_EQ(b.GetPixel(1, 0), 0);
}

}  // namespace
