#include "device/AVCIO.h"

#include <algorithm>
#include <cstring>

#include "device/Log.h"
#include "platform/FWAUserLib.h"
#include "platform/SleepHook.h"

namespace {

// Process-wide transport state: there is one device per process.
uint32_t gNodeID = 0;
FWARef appleFWARef = nullptr;
uint8_t* gBuffer = nullptr;
platform::NotificationPort* gNotifyPort = nullptr;
platform::ServiceIterator* gIter = nullptr;
platform::InterestNotification* gNotification = nullptr;

constexpr int kAttempts = 3;
constexpr uint32_t kRetrySleepMicroseconds = 600000;
constexpr uint32_t kDiscoverySleepMicroseconds = 500;
// The device's registry entry that carries its GUID and node id lies this far above the
// audio device service that matching finds.
constexpr int kParentsToDeviceEntry = 4;

bool IsTransient(FWAStatus r) {
    return r == kFWATimeout || r == kFWABusReset;
}

FWAddress ToRecord(uint64_t address) {
    FWAddress a;
    a.nodeID = 0;
    a.addressHi = static_cast<uint16_t>(address >> 32);
    a.addressLo = static_cast<uint32_t>(address);
    return a;
}

// The bus carries quadlets most significant byte first; these turn a host integer into the
// word whose memory bytes are the bus bytes, and back.
uint32_t HostToBus(uint32_t v) {
    uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    uint32_t out;
    std::memcpy(&out, b, 4);
    return out;
}

uint32_t BusToHost(uint32_t v) {
    uint8_t b[4];
    std::memcpy(b, &v, 4);
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

// The log texts of one library call: while retrying and when giving up.
struct RetryTexts {
    const char* retrying;
    const char* givenUp;
};
constexpr RetryTexts kReadQuadletTexts = {
    "FWAReadQuadlet returned error code 0x%x, %d retries left...\n",
    "FWAReadQuadlet returned error code 0x%x, given up now...\n"};
constexpr RetryTexts kWriteQuadletTexts = {
    "FWAWriteQuadlet returned error code 0x%x, %d retries left...\n",
    "FWAWriteQuadlet returned error code 0x%x, given up now...\n"};
constexpr RetryTexts kWriteBlockTexts = {
    "FWAWriteBlock returned error code 0x%x, %d retries left...\n",
    "FWAWriteBlock returned error code 0x%x, given up now...\n"};
constexpr RetryTexts kExecuteAVCTexts = {
    "FWAExecuteAVC returned error code 0x%x, %d retries left...\n",
    "FWAExecuteAVC returned error code 0x%x, given up now...\n"};

// Runs one library call up to three times while it fails with a transient error, sleeping
// between attempts.
template <typename Call>
int WithRetry(const RetryTexts& texts, Call call) {
    if (appleFWARef == nullptr) return -1;
    FWAStatus r = kFWASuccess;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        r = call();
        if (!IsTransient(r)) return r;
        LogMessage(texts.retrying, static_cast<unsigned>(r), kAttempts - attempt);
        platform::SleepMicroseconds(kRetrySleepMicroseconds);
    }
    LogMessage(texts.givenUp, static_cast<unsigned>(r));
    return r;
}

}  // namespace

AVCIO::AVCIO() {
    gBuffer = new uint8_t[kAVCSharedBufferSize]();

    platform::MatchingDictionary matching;
    matching.serviceClass = "AppleRemoteAudioDevice";
    matching.properties.push_back({"IOAudioDeviceManufacturerName", "Kestrovel"});
    matching.properties.push_back({"FireWire Product Name", "MirovanLE"});

    gNotifyPort = platform::NotificationPortCreate();
    gIter = nullptr;
    if (gNotifyPort != nullptr &&
        platform::AddMatchingNotification(gNotifyPort, matching, &AVCIO::DeviceAdded, nullptr,
                                          &gIter) == 0) {
        // Finds a device that is already connected, and arms the notification.
        DeviceAdded(nullptr, gIter);
    }
}

AVCIO::~AVCIO() {
    // Disarm discovery so no callback reaches a transport that no longer exists; a later
    // transport starts discovery afresh and finds the device again.
    if (gNotification != nullptr) {
        platform::ReleaseInterestNotification(gNotification);
        gNotification = nullptr;
    }
    if (gIter != nullptr) {
        platform::ReleaseIterator(gIter);
        gIter = nullptr;
    }
    if (gNotifyPort != nullptr) {
        platform::NotificationPortDestroy(gNotifyPort);
        gNotifyPort = nullptr;
    }
    gNodeID = 0;
    delete[] gBuffer;
    gBuffer = nullptr;
}

bool AVCIO::GuidMatches(uint64_t guid) {
    return platform::IsDeviceGuid(guid);
}

uint32_t AVCIO::NodeID() {
    return gNodeID;
}

void AVCIO::DeviceAdded(void* /*refcon*/, platform::ServiceIterator* iterator) {
    if (iterator == nullptr) return;
    const platform::RegistryEntry first = platform::IteratorNext(iterator);
    if (first == 0) return;
    // Only the first device is looked at; taking the others re-arms the notification.
    while (platform::IteratorNext(iterator) != 0) {}

    platform::RegistryEntry entry = first;
    for (int i = 0; i < kParentsToDeviceEntry; ++i) entry = platform::RegistryEntryGetParent(entry);

    uint64_t guid = 0;
    if (!platform::RegistryEntryGetNumberProperty(entry, "GUID", &guid)) return;
    if (!GuidMatches(guid)) return;

    platform::SleepMicroseconds(kDiscoverySleepMicroseconds);

    uint64_t node = 0;
    if (!platform::RegistryEntryGetNumberProperty(entry, "FireWire Node ID", &node)) return;
    gNodeID = static_cast<uint32_t>(node);
    if (gNodeID == 0) return;

    // A device found again without having been terminated replaces the old watch.
    if (gNotification != nullptr) {
        platform::ReleaseInterestNotification(gNotification);
        gNotification = nullptr;
    }
    if (gNotifyPort != nullptr) {
        platform::AddInterestNotification(gNotifyPort, entry, &AVCIO::DeviceNotification, nullptr,
                                          &gNotification);
    }
}

void AVCIO::DeviceNotification(void* /*refcon*/, platform::RegistryEntry /*service*/,
                               uint32_t messageType, void* /*messageArgument*/) {
    if (messageType != platform::kMessageServiceIsTerminated) return;
    if (gNotification != nullptr) {
        platform::ReleaseInterestNotification(gNotification);
        gNotification = nullptr;
    }
    gNodeID = 0;
}

int AVCIO::Open() {
    if (gNodeID == 0) return -1;
    if (appleFWARef != nullptr) {
        FWAClose(appleFWARef);
        appleFWARef = nullptr;
    }
    return FWAOpen(gNodeID, &appleFWARef);
}

void AVCIO::Close() {
    FWAClose(appleFWARef);
    appleFWARef = nullptr;
}

bool AVCIO::IsOpen() const {
    return appleFWARef != nullptr;
}

int AVCIO::ReadQuadlet(uint64_t address, uint32_t& value) {
    const FWAddress a = ToRecord(address);
    return WithRetry(kReadQuadletTexts, [&] {
        uint32_t bus = 0;
        FWAStatus r = FWAReadQuadlet(appleFWARef, &a, &bus);
        if (r == kFWASuccess) value = BusToHost(bus);
        return r;
    });
}

int AVCIO::WriteQuadlet(uint64_t address, uint32_t value) {
    const FWAddress a = ToRecord(address);
    const uint32_t bus = HostToBus(value);
    return WithRetry(kWriteQuadletTexts, [&] { return FWAWriteQuadlet(appleFWARef, &a, bus); });
}

int AVCIO::WriteBlock(uint64_t address, const uint8_t* data, uint32_t& length) {
    const FWAddress a = ToRecord(address);
    return WithRetry(kWriteBlockTexts,
                     [&] { return FWAWriteBlock(appleFWARef, &a, length, data); });
}

int AVCIO::ReadBlock(uint64_t /*address*/, uint8_t* /*data*/, uint32_t& /*length*/) {
    return -1;
}

int AVCIO::AVCCommand(const uint8_t* command, unsigned length, uint8_t* response,
                      unsigned* responseLength) {
    // The library never writes more than the size it is told, so the size handed over is the
    // buffer's real one: a caller's own, or the shared buffer's.
    unsigned capacity = responseLength != nullptr ? *responseLength : length;
    uint8_t* buffer = response;
    if (buffer == nullptr) {
        buffer = gBuffer;
        capacity = std::min(capacity, kAVCSharedBufferSize);
    }
    if (responseLength != nullptr) *responseLength = 0;
    if (buffer == nullptr) return -1;  // no transport: the shared buffer is gone

    uint32_t got = 0;
    const int r = WithRetry(kExecuteAVCTexts, [&] {
        // A failed attempt may have changed the length; every attempt offers the whole buffer.
        got = capacity;
        return FWAExecuteAVC(appleFWARef, command, length, buffer, &got);
    });
    if (r == 0 && responseLength != nullptr) *responseLength = std::min<uint32_t>(got, capacity);
    return r;
}
