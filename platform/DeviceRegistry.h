#pragma once
// The platform's device registry: services with properties, linked to their parents, found
// through matching notifications and watched through interest notifications. A device bus
// publishes the device's services when it appears and terminates them when it goes. Every
// callback is delivered on the main thread through the main run loop (platform/RunLoop.h).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// A service in the registry; 0 stands for none.
using RegistryEntry = uint64_t;

// What a matching notification looks for: a service class and string properties that must
// all be equal.
struct MatchingDictionary {
    std::string serviceClass;
    std::vector<std::pair<std::string, std::string>> properties;
};

struct NotificationPort;
struct ServiceIterator;
struct InterestNotification;

// Message sent to interest notifications when their service is removed from the registry.
constexpr uint32_t kMessageServiceIsTerminated = 0xE0000010;

using MatchingCallback = void (*)(void* refcon, ServiceIterator* iterator);
using InterestCallback = void (*)(void* refcon, RegistryEntry service, uint32_t messageType,
                                  void* messageArgument);

// A port whose notifications are delivered on the main run loop.
NotificationPort* NotificationPortCreate();
void NotificationPortDestroy(NotificationPort* port);

// Arms a first-match notification: the callback runs whenever a matching service appears.
// The iterator holds the services matched and not yet taken; the callback (or the caller,
// once, right after arming) takes them with IteratorNext. Returns 0 on success.
int AddMatchingNotification(NotificationPort* port, const MatchingDictionary& matching,
                            MatchingCallback callback, void* refcon, ServiceIterator** outIterator);
// Takes the next matched service, or 0 when there is none.
RegistryEntry IteratorNext(ServiceIterator* iterator);
// Disarms the matching notification and frees the iterator.
void ReleaseIterator(ServiceIterator* iterator);

// The parent of a service in the service plane, or 0.
RegistryEntry RegistryEntryGetParent(RegistryEntry entry);
// Reads an integer property; false when the service or the property does not exist.
bool RegistryEntryGetNumberProperty(RegistryEntry entry, const char* key, uint64_t* value);

// Arms an interest notification on a service. Returns 0 on success.
int AddInterestNotification(NotificationPort* port, RegistryEntry service,
                            InterestCallback callback, void* refcon,
                            InterestNotification** outNotification);
void ReleaseInterestNotification(InterestNotification* notification);

}  // namespace platform
