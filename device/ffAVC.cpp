#include "device/ffAVC.h"

#include <algorithm>
#include <vector>

#include "device/Log.h"

bool gUseReadQuadlet = false;
bool gUseReadBlock = false;
bool gUseWriteQuadlet = false;
bool gUseWriteBlock = false;

namespace {

// ctype, unit address (subunit type 0x1F, id 7), opcode VENDOR-DEPENDENT, company id, command.
constexpr uint8_t kCompany0 = uint8_t(kMakerCompanyId >> 16);
constexpr uint8_t kCompany1 = uint8_t(kMakerCompanyId >> 8);
constexpr uint8_t kCompany2 = uint8_t(kMakerCompanyId);
constexpr size_t kFrameHeaderSize = 8;
constexpr size_t kPairSize = 8;
constexpr unsigned long kMaxQuadletBatch = 5;

uint64_t RegisterAddress(uint32_t id) {
    return kRegisterSpace + 4ull * id;
}

// An AV/C frame of `n` pairs behind the seven header bytes `head`.
std::vector<uint8_t> BuildFrame(const uint8_t* head, const AVCMsg* msgs, unsigned long n) {
    std::vector<uint8_t> frame(kFrameHeaderSize + kPairSize * n);
    std::copy(head, head + 7, frame.begin());
    frame[7] = static_cast<uint8_t>(n & 0xFF);
    for (unsigned long k = 0; k < n; ++k) {
        ffAVC::StoreIntInBytes(&frame[kFrameHeaderSize + kPairSize * k], msgs[k].id);
        ffAVC::StoreIntInBytes(&frame[kFrameHeaderSize + kPairSize * k + 4], msgs[k].value);
    }
    return frame;
}

}  // namespace

const uint8_t ffAVC::avcstatus[7] = {0x01, 0xFF, 0x00, kCompany0, kCompany1, kCompany2, 0x03};
const uint8_t ffAVC::avccontrol[7] = {0x00, 0xFF, 0x00, kCompany0, kCompany1, kCompany2, 0x03};

ffAVC::ffAVC() : avcio(new AVCIO()), info{}, infoValid(false) {}

ffAVC::~ffAVC() {
    avcio->Close();
    delete avcio;
}

void ffAVC::StoreIntInBytes(unsigned char* out, unsigned int v) {
    out[0] = static_cast<unsigned char>(v >> 24);
    out[1] = static_cast<unsigned char>(v >> 16);
    out[2] = static_cast<unsigned char>(v >> 8);
    out[3] = static_cast<unsigned char>(v);
}

int ffAVC::GetIntFromBytes(const unsigned char* in) {
    return static_cast<int>((uint32_t(in[0]) << 24) | (uint32_t(in[1]) << 16) |
                            (uint32_t(in[2]) << 8) | uint32_t(in[3]));
}

int ffAVC::Open() {
    int r = avcio->Open();
    if (r != 0) return r;

    // Probe the access methods on register 0, putting its value back with each write.
    uint8_t probe[4];
    uint32_t length = 4;
    gUseReadBlock = avcio->ReadBlock(RegisterAddress(0), probe, length) == 0;
    uint32_t v = 0;
    gUseReadQuadlet = avcio->ReadQuadlet(RegisterAddress(0), v) == 0;
    // When register 0 could not be read its value is unknown; the write probes then leave it
    // at 0, a defined (silent) gain, rather than whatever the failed read left behind.
    if (!gUseReadQuadlet) v = 0;
    StoreIntInBytes(probe, v);
    length = 4;
    gUseWriteBlock = avcio->WriteBlock(RegisterAddress(0), probe, length) == 0;
    gUseWriteQuadlet = avcio->WriteQuadlet(RegisterAddress(0), v) == 0;

    r = 0;
    for (int q = 0; q < kInfoBlockWords; ++q) {
        r = avcio->ReadQuadlet(kInfoBlockAddress + 4ull * q, info[q]);
        if (r != 0) break;
    }
    infoValid = (r == 0);
    return r;
}

void ffAVC::Close() {
    avcio->Close();
    infoValid = false;
}

int ffAVC::SetValues(const AVCMsg* msgs, unsigned long n) {
    if (n == 0 || msgs == nullptr) return avcio->IsOpen() ? 0 : -1;
    LogMessage(">");
    if (gUseWriteBlock) return _SetValuesBlock(msgs, n);
    if (gUseWriteQuadlet && n <= kMaxQuadletBatch) return _SetValuesQuadlets(msgs, n);
    return _SetValuesAVC(msgs, n);
}

int ffAVC::_SetValuesBlock(const AVCMsg* msgs, unsigned long n) {
    LogMessage("B:\n");
    std::vector<uint8_t> payload(kPairSize * n);
    for (unsigned long k = 0; k < n; ++k) {
        LogAVCMessage(msgs[k]);
        StoreIntInBytes(&payload[kPairSize * k], msgs[k].id);
        StoreIntInBytes(&payload[kPairSize * k + 4], msgs[k].value);
    }
    uint32_t length = static_cast<uint32_t>(payload.size());
    const int r = avcio->WriteBlock(kBlockCommandAddress, payload.data(), length);
    if (r == 0)
        LogMessage(">B ok!\n");
    else
        LogMessage(">B Fail (%x)\n", static_cast<unsigned>(r));
    return r;
}

int ffAVC::_SetValuesQuadlets(const AVCMsg* msgs, unsigned long n) {
    LogMessage("Q:\n");
    int r = 0;
    for (unsigned long k = 0; k < n && r == 0; ++k) {
        LogAVCMessage(msgs[k]);
        r = avcio->WriteQuadlet(RegisterAddress(msgs[k].id), msgs[k].value);
    }
    if (r == 0)
        LogMessage(">Q ok!\n");
    else
        LogMessage(">Q Fail (%x).\n", static_cast<unsigned>(r));
    return r;
}

int ffAVC::_SetValuesAVC(const AVCMsg* msgs, unsigned long n) {
    LogMessage("A:\n");
    for (unsigned long k = 0; k < n; ++k) LogAVCMessage(msgs[k]);
    const std::vector<uint8_t> frame = BuildFrame(avccontrol, msgs, n);
    // The device answers with a frame as long as the command; it gets a buffer that holds it.
    std::vector<uint8_t> response(frame.size());
    unsigned responseLength = static_cast<unsigned>(response.size());
    const int r = avcio->AVCCommand(frame.data(), static_cast<unsigned>(frame.size()),
                                    response.data(), &responseLength);
    if (r == 0)
        LogMessage(">A ok!\n");
    else
        LogMessage(">A Fail (%x).\n", static_cast<unsigned>(r));
    return r;
}

int ffAVC::GetValues(AVCMsg* msgs, unsigned long n) {
    if (n == 0 || msgs == nullptr) return avcio->IsOpen() ? 0 : -1;
    LogMessage("<");
    if (gUseReadQuadlet && n <= kMaxQuadletBatch) return _GetValuesQuadlets(msgs, n);
    return _GetValuesAVC(msgs, n);
}

int ffAVC::_GetValuesQuadlets(AVCMsg* msgs, unsigned long n) {
    LogMessage("Q:\n");
    int r = 0;
    for (unsigned long k = 0; k < n && r == 0; ++k) {
        uint32_t v = 0;
        r = avcio->ReadQuadlet(RegisterAddress(msgs[k].id), v);
        if (r == 0) {
            msgs[k].value = v;
            LogAVCMessage(msgs[k]);
        }
    }
    if (r == 0)
        LogMessage("<Q ok!\n");
    else
        LogMessage("<Q Fail (%x).\n", static_cast<unsigned>(r));
    return r;
}

int ffAVC::_GetValuesAVC(AVCMsg* msgs, unsigned long n) {
    LogMessage("A:\n");
    const std::vector<uint8_t> frame = BuildFrame(avcstatus, msgs, n);
    std::vector<uint8_t> response(frame.size());
    unsigned responseLength = static_cast<unsigned>(response.size());
    const int r = avcio->AVCCommand(frame.data(), static_cast<unsigned>(frame.size()),
                                    response.data(), &responseLength);
    if (r != 0) {
        for (unsigned long k = 0; k < n; ++k) LogGetAVCMessage(msgs[k]);
        LogMessage("<A Fail. (%x)\n", static_cast<unsigned>(r));
        return r;
    }
    // Only whole pairs inside the response are taken; a short answer leaves the rest of the
    // messages at their presets.
    unsigned long returned = 0;
    if (responseLength >= kFrameHeaderSize)
        returned = std::min<unsigned long>(n, (responseLength - kFrameHeaderSize) / kPairSize);
    for (unsigned long k = 0; k < returned; ++k) {
        const uint8_t* pair = &response[kFrameHeaderSize + kPairSize * k];
        msgs[k].id = static_cast<uint32_t>(GetIntFromBytes(pair));
        msgs[k].value = static_cast<uint32_t>(GetIntFromBytes(pair + 4));
        LogAVCMessage(msgs[k]);
    }
    LogMessage("<A ok!\n");
    return 0;
}
