#include "platform/DeviceRegistry.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/RegistryPublisher.h"
#include "platform/RunLoop.h"

namespace platform {

struct NotificationPort {
    uint64_t id;
};

struct ServiceIterator {
    uint64_t id;
    uint64_t portID;
    MatchingDictionary matching;
    MatchingCallback callback;
    void* refcon;
    std::deque<RegistryEntry> matched;
};

struct InterestNotification {
    uint64_t id;
    uint64_t portID;
    RegistryEntry service;
    InterestCallback callback;
    void* refcon;
};

namespace {

constexpr int kRegistryError = -1;

struct Service {
    RegistryEntry parent;
    ServiceDescription description;
};

// Everything lives under one lock. Callbacks are queued by id and looked up again when they
// run, so a notification or port released in the meantime is simply not called.
struct Registry {
    std::mutex mutex;
    uint64_t nextID = 1;
    std::map<RegistryEntry, Service> services;
    std::map<uint64_t, NotificationPort*> ports;
    std::map<uint64_t, ServiceIterator*> iterators;
    std::map<uint64_t, InterestNotification*> interests;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

bool Matches(const Service& service, const MatchingDictionary& matching) {
    if (service.description.serviceClass != matching.serviceClass) return false;
    // The lambdas here capture plain variables: clang 14 cannot capture structured bindings.
    for (const auto& wanted : matching.properties) {
        const std::string& key = wanted.first;
        const auto& strings = service.description.strings;
        auto it = std::find_if(strings.begin(), strings.end(),
                               [&key](const auto& p) { return p.first == key; });
        if (it == strings.end() || it->second != wanted.second) return false;
    }
    return true;
}

void DeliverMatch(uint64_t iteratorID) {
    Registry& r = TheRegistry();
    MatchingCallback callback;
    void* refcon;
    ServiceIterator* iterator;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.iterators.find(iteratorID);
        if (it == r.iterators.end() || !r.ports.count(it->second->portID)) return;
        iterator = it->second;
        callback = iterator->callback;
        refcon = iterator->refcon;
    }
    if (callback) callback(refcon, iterator);
}

void DeliverInterest(uint64_t notificationID, RegistryEntry service, uint32_t message) {
    Registry& r = TheRegistry();
    InterestCallback callback;
    void* refcon;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.interests.find(notificationID);
        if (it == r.interests.end() || !r.ports.count(it->second->portID)) return;
        callback = it->second->callback;
        refcon = it->second->refcon;
    }
    if (callback) callback(refcon, service, message, nullptr);
}

}  // namespace

NotificationPort* NotificationPortCreate() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto* port = new NotificationPort{r.nextID++};
    r.ports[port->id] = port;
    return port;
}

void NotificationPortDestroy(NotificationPort* port) {
    if (!port) return;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.ports.erase(port->id);
    delete port;
}

int AddMatchingNotification(NotificationPort* port, const MatchingDictionary& matching,
                            MatchingCallback callback, void* refcon,
                            ServiceIterator** outIterator) {
    if (!outIterator) return kRegistryError;
    *outIterator = nullptr;
    if (!port) return kRegistryError;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!r.ports.count(port->id)) return kRegistryError;
    auto* iterator = new ServiceIterator{r.nextID++, port->id, matching, callback, refcon, {}};
    // The services that match already wait in the iterator for the caller to take.
    for (const auto& [entry, service] : r.services)
        if (Matches(service, matching)) iterator->matched.push_back(entry);
    r.iterators[iterator->id] = iterator;
    *outIterator = iterator;
    return 0;
}

RegistryEntry IteratorNext(ServiceIterator* iterator) {
    if (!iterator) return 0;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (iterator->matched.empty()) return 0;
    RegistryEntry entry = iterator->matched.front();
    iterator->matched.pop_front();
    return entry;
}

void ReleaseIterator(ServiceIterator* iterator) {
    if (!iterator) return;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.iterators.erase(iterator->id);
    delete iterator;
}

RegistryEntry RegistryEntryGetParent(RegistryEntry entry) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.services.find(entry);
    return it == r.services.end() ? 0 : it->second.parent;
}

bool RegistryEntryGetNumberProperty(RegistryEntry entry, const char* key, uint64_t* value) {
    if (!key || !value) return false;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.services.find(entry);
    if (it == r.services.end()) return false;
    for (const auto& [name, number] : it->second.description.numbers) {
        if (name == key) {
            *value = number;
            return true;
        }
    }
    return false;
}

int AddInterestNotification(NotificationPort* port, RegistryEntry service,
                            InterestCallback callback, void* refcon,
                            InterestNotification** outNotification) {
    if (!outNotification) return kRegistryError;
    *outNotification = nullptr;
    if (!port) return kRegistryError;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!r.ports.count(port->id) || !r.services.count(service)) return kRegistryError;
    auto* notification = new InterestNotification{r.nextID++, port->id, service, callback, refcon};
    r.interests[notification->id] = notification;
    *outNotification = notification;
    return 0;
}

void ReleaseInterestNotification(InterestNotification* notification) {
    if (!notification) return;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.interests.erase(notification->id);
    delete notification;
}

RegistryEntry RegistryPublish(RegistryEntry parent, const ServiceDescription& description) {
    Registry& r = TheRegistry();
    std::vector<uint64_t> toNotify;
    RegistryEntry entry;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        entry = r.nextID++;
        Service& service = r.services[entry] = Service{parent, description};
        for (auto& [id, iterator] : r.iterators) {
            if (!Matches(service, iterator->matching)) continue;
            iterator->matched.push_back(entry);
            toNotify.push_back(id);
        }
    }
    for (uint64_t id : toNotify) PostToMainRunLoop([id] { DeliverMatch(id); });
    return entry;
}

void RegistryTerminate(RegistryEntry entry) {
    Registry& r = TheRegistry();
    std::vector<std::pair<uint64_t, RegistryEntry>> toNotify;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        // The entry and its descendants, providers before their clients.
        std::vector<RegistryEntry> doomed;
        if (r.services.count(entry)) doomed.push_back(entry);
        for (size_t i = 0; i < doomed.size(); ++i)
            for (const auto& [child, service] : r.services)
                if (service.parent == doomed[i]) doomed.push_back(child);
        for (RegistryEntry e : doomed) {
            r.services.erase(e);
            for (const auto& [id, notification] : r.interests)
                if (notification->service == e) toNotify.emplace_back(id, e);
            // Matched but not yet taken: an iterator hands out only live services.
            for (auto& [id, iterator] : r.iterators) std::erase(iterator->matched, e);
        }
    }
    for (const auto& notice : toNotify) {
        const uint64_t id = notice.first;
        const RegistryEntry service = notice.second;
        PostToMainRunLoop(
            [id, service] { DeliverInterest(id, service, kMessageServiceIsTerminated); });
    }
}

}  // namespace platform
