#pragma once

#include <cstdint>

#include "device/AVCIO.h"
#include "device/AVCMsg.h"

// Which access methods the connected device accepted when it was last opened. Process-wide,
// like the transport; they keep their values after a close.
extern bool gUseReadQuadlet;
extern bool gUseReadBlock;
extern bool gUseWriteQuadlet;
extern bool gUseWriteBlock;

// FireWire addresses of the device's register space.
constexpr uint64_t kRegisterSpace = 0x0001'0000'0000ull;        // register n at + 4n
constexpr uint64_t kBlockCommandAddress = 0x0001'0001'0000ull;  // batch block writes
constexpr uint64_t kInfoBlockAddress = 0xFFFF'C802'0000ull;     // info quadlet q at + 4q
constexpr int kInfoBlockWords = 26;
constexpr int kFirmwareVersionWord = 13;

// The register access layer. At open it probes which access methods the device accepts and
// reads its information block; afterwards each batch of register messages goes by the best
// accepted method: one block write, single quadlets (batches of at most five), or one AV/C
// vendor-dependent command.
class ffAVC {
  public:
    // First seven bytes of an AV/C vendor-dependent STATUS and CONTROL frame.
    static const uint8_t avcstatus[7];
    static const uint8_t avccontrol[7];

    ffAVC();
    ~ffAVC();

    // 0, -1 without a device, or the failing transport call's code.
    int Open();
    void Close();
    int SetValues(const AVCMsg* msgs, unsigned long n);
    int GetValues(AVCMsg* msgs, unsigned long n);

    static void StoreIntInBytes(unsigned char* out, unsigned int v);
    static int GetIntFromBytes(const unsigned char* in);

    AVCIO* avcio;
    // The information block as read by the last successful Open.
    uint32_t info[kInfoBlockWords];
    bool infoValid;

  private:
    int _SetValuesBlock(const AVCMsg* msgs, unsigned long n);
    int _SetValuesQuadlets(const AVCMsg* msgs, unsigned long n);
    int _SetValuesAVC(const AVCMsg* msgs, unsigned long n);
    int _GetValuesQuadlets(AVCMsg* msgs, unsigned long n);
    int _GetValuesAVC(AVCMsg* msgs, unsigned long n);
};
