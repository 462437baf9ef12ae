#include "tests/views/ViewsTestSupport.h"

#include <cstdio>
#include <cstring>

#include "core/Resource.h"
#include "views/StandardViewTypes.h"
#include "views/ViewRegistry.h"

namespace testing_views {

namespace {

void PutU16(std::vector<unsigned char>& v, size_t at, unsigned value) {
    v[at] = value & 0xFF;
    v[at + 1] = (value >> 8) & 0xFF;
}

void PutU32(std::vector<unsigned char>& v, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) v[at + i] = (value >> (8 * i)) & 0xFF;
}

}  // namespace

std::vector<unsigned char> MakeBmp24(int width, int height, const std::vector<long>& pixels) {
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<unsigned char> v(54 + rowBytes * height, 0);
    v[0] = 'B';
    v[1] = 'M';
    PutU32(v, 2, static_cast<uint32_t>(v.size()));
    PutU32(v, 10, 54);
    PutU32(v, 14, 40);
    PutU32(v, 18, width);
    PutU32(v, 22, height);
    PutU16(v, 26, 1);
    PutU16(v, 28, 24);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = v.data() + 54 + rowBytes * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const long c = pixels[static_cast<size_t>(y) * width + x];
            row[3 * x] = c & 0xFF;
            row[3 * x + 1] = (c >> 8) & 0xFF;
            row[3 * x + 2] = (c >> 16) & 0xFF;
        }
    }
    return v;
}

Bitmap* MakeFilled(int width, int height, long colour) {
    Bitmap* b = new Bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) b->PlotPoint(x, y, colour);
    return b;
}

void AddResource(const std::string& name, const std::vector<unsigned char>& data) {
    // An element is read from a data header (big-endian length, reserved) and the bytes.
    std::vector<unsigned char> block(8 + data.size(), 0);
    const uint32_t n = static_cast<uint32_t>(data.size());
    block[0] = n >> 24;
    block[1] = (n >> 16) & 0xFF;
    block[2] = (n >> 8) & 0xFF;
    block[3] = n & 0xFF;
    if (!data.empty()) std::memcpy(block.data() + 8, data.data(), data.size());
    FILE* f = fmemopen(block.data(), block.size(), "rb");
    auto* element = new ResourceElement(name.c_str(), f);
    std::fclose(f);
    // Newest first, so a replaced name is found at its latest data.
    g_resources.elements.insert(g_resources.elements.begin(), element);
}

void ClearResources() {
    g_resources.ClearAll();
}

void EnsureStandardTypesRegistered() {
    static bool done = false;
    if (done) return;
    done = true;
    AddViewType("Probe", RegistrationHelper<ProbeView>::Create);
    RegisterStandardViewTypes();
}

ViewDefinition Row(ViewID id, PRect rect, const char* type, int parent, const char* initText,
                   std::vector<int> parameters, bool hidden) {
    ViewDefinition row{};
    row.id = id;
    row.rect = rect;
    row.typeName = type;
    row.parentRow = parent;
    row.hidden = hidden;
    row.initText = initText;
    size_t k = 0;
    for (; k < parameters.size() && k < kMaxRelatedParameters - 1; ++k) {
        row.relatedParameters[k] = parameters[k];
    }
    row.relatedParameters[k] = kEndOfParameters;
    return row;
}

std::vector<ParameterDefinition> LinearTable(int n) {
    std::vector<ParameterDefinition> table(n);
    for (int i = 0; i < n; ++i) {
        ParameterDefinition& d = table[i];
        d = {};
        d.id = i;
        std::snprintf(d.name, sizeof d.name, "Param %d", i);
        d.min = 0.0f;
        d.max = 1.0f;
        d.defaultValue = 0.25f;
        d.unit = kUnitNone;
        d.law = kLawLinear;
    }
    return table;
}

}  // namespace testing_views
