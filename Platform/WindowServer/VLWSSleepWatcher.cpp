#include "Platform/WindowServer/VLWSSleepWatcher.h"

#include <gio/gio.h>

struct VLWSSleepWatcher::State {
    Handler handler;
    GCancellable* cancellable = g_cancellable_new();
    GDBusConnection* connection = nullptr;
    guint subscription = 0;

    ~State() {
        g_cancellable_cancel(cancellable);
        g_object_unref(cancellable);
        if (connection) {
            if (subscription)
                g_dbus_connection_signal_unsubscribe(connection, subscription);
            g_object_unref(connection);
        }
    }
};

namespace {

using State = VLWSSleepWatcher::State;

void deleteWeakState(gpointer data) {
    delete static_cast<std::weak_ptr<State>*>(data);
}

void prepareForSleep(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                     GVariant* parameters, gpointer data) {
    std::shared_ptr<State> state = static_cast<std::weak_ptr<State>*>(data)->lock();
    if (!state || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)")))
        return;
    gboolean sleeping = false;
    g_variant_get(parameters, "(b)", &sleeping);
    state->handler(sleeping);
}

void busReached(GObject*, GAsyncResult* result, gpointer data) {
    auto* weakState = static_cast<std::weak_ptr<State>*>(data);
    GDBusConnection* connection = g_bus_get_finish(result, nullptr);
    std::shared_ptr<State> state = weakState->lock();
    if (!state || !connection) {
        // No system bus, or the watcher went meanwhile.
        if (connection)
            g_object_unref(connection);
        delete weakState;
        return;
    }
    state->connection = connection;
    // The signal arrives in the thread-default context of this subscription: the main one.
    state->subscription = g_dbus_connection_signal_subscribe(
        connection, "org.freedesktop.login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
        "/org/freedesktop/login1", nullptr, G_DBUS_SIGNAL_FLAGS_NONE, prepareForSleep, weakState,
        deleteWeakState);
}

} // namespace

std::unique_ptr<VLWSSleepWatcher> VLWSSleepWatcher::start(Handler handler) {
    auto state = std::make_shared<State>();
    state->handler = std::move(handler);
    g_bus_get(G_BUS_TYPE_SYSTEM, state->cancellable, busReached, new std::weak_ptr<State>(state));
    return std::unique_ptr<VLWSSleepWatcher>(new VLWSSleepWatcher(std::move(state)));
}

VLWSSleepWatcher::~VLWSSleepWatcher() = default;
