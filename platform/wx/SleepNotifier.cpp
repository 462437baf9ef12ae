#include "platform/wx/SleepNotifier.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

}  // namespace

SleepNotifier::SleepNotifier(std::function<void()> willSleep) : willSleep(std::move(willSleep)) {
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    if (!connection) {
        g_clear_error(&error);
        return;
    }
    bus = connection;
    // Delivered through the main context, which the toolkit's event loop runs.
    subscription = g_dbus_connection_signal_subscribe(
        connection, kLogind, kManager, "PrepareForSleep", kLogindPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, reinterpret_cast<GDBusSignalCallback>(&SleepNotifier::OnSignal),
        this, nullptr);
    TakeInhibitor();
}

SleepNotifier::~SleepNotifier() {
    if (cancellable) {
        g_cancellable_cancel(static_cast<GCancellable*>(cancellable));
        g_object_unref(cancellable);
        cancellable = nullptr;
    }
    ReleaseInhibitor();
    if (bus) {
        if (subscription)
            g_dbus_connection_signal_unsubscribe(static_cast<GDBusConnection*>(bus), subscription);
        g_object_unref(bus);
    }
}

void SleepNotifier::PrepareForSleep(bool sleeping) {
    if (sleeping) {
        if (willSleep) willSleep();
        ReleaseInhibitor();  // the system may sleep now
    } else {
        TakeInhibitor();
    }
}

void SleepNotifier::TakeInhibitor() {
    if (!bus || inhibitorFd >= 0 || cancellable) return;
    // Asynchronous: logind may be missing or slow, and start-up must not wait for it.
    GCancellable* pending = g_cancellable_new();
    cancellable = pending;
    g_dbus_connection_call_with_unix_fd_list(
        static_cast<GDBusConnection*>(bus), kLogind, kLogindPath, kManager, "Inhibit",
        g_variant_new("(ssss)", "sleep", "MirovanControl LE", "Close the MirovanLE before sleep",
                      "delay"),
        G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, pending,
        reinterpret_cast<GAsyncReadyCallback>(&SleepNotifier::OnInhibitReply), this);
}

void SleepNotifier::ReleaseInhibitor() {
    if (inhibitorFd >= 0) {
        ::close(inhibitorFd);
        inhibitorFd = -1;
    }
}

void SleepNotifier::OnSignal(void*, const char*, const char*, const char*, const char*,
                             void* parameters, void* self) {
    GVariant* args = static_cast<GVariant*>(parameters);
    if (!g_variant_is_of_type(args, G_VARIANT_TYPE("(b)"))) return;
    gboolean sleeping = FALSE;
    g_variant_get(args, "(b)", &sleeping);
    static_cast<SleepNotifier*>(self)->PrepareForSleep(sleeping);
}

void SleepNotifier::OnInhibitReply(void* source, void* result, void* self) {
    GUnixFDList* fds = nullptr;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_finish(
        G_DBUS_CONNECTION(source), &fds, G_ASYNC_RESULT(result), &error);
    if (!reply) {
        // A cancelled call means the notifier is gone: self must not be touched.
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        g_clear_error(&error);
        if (cancelled) return;
        SleepNotifier* notifier = static_cast<SleepNotifier*>(self);
        g_object_unref(notifier->cancellable);
        notifier->cancellable = nullptr;
        return;
    }

    SleepNotifier* notifier = static_cast<SleepNotifier*>(self);
    g_object_unref(notifier->cancellable);
    notifier->cancellable = nullptr;
    gint32 handle = -1;
    g_variant_get(reply, "(h)", &handle);
    if (fds && handle >= 0 && handle < g_unix_fd_list_get_length(fds))
        notifier->inhibitorFd = g_unix_fd_list_get(fds, handle, nullptr);
    g_variant_unref(reply);
    if (fds) g_object_unref(fds);
}

}  // namespace platform
