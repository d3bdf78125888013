#include "Platform/WindowServer/VLWSAppearancePortal.h"

#include <gio/gio.h>

struct VLWSAppearancePortal::State {
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
            // The connection is this object's own, not the process's shared one.
            g_dbus_connection_close(connection, nullptr, nullptr, nullptr);
            g_object_unref(connection);
        }
    }
};

namespace {

using PortalState = VLWSAppearancePortal::State;

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* kAppearanceNamespace = "org.freedesktop.appearance";
constexpr const char* kColorSchemeKey = "color-scheme";
constexpr uint32_t kPreferDark = 1;

// The scheme inside however many variants wrap it; "light" for anything that is not the number 1.
bool portalSchemeIsDark(GVariant* value) {
    GVariant* held = g_variant_ref(value);
    while (g_variant_is_of_type(held, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(held);
        g_variant_unref(held);
        held = inner;
    }
    bool dark = false;
    if (g_variant_is_of_type(held, G_VARIANT_TYPE_UINT32))
        dark = g_variant_get_uint32(held) == kPreferDark;
    else if (g_variant_is_of_type(held, G_VARIANT_TYPE_INT32))
        dark = g_variant_get_int32(held) == int32_t(kPreferDark);
    g_variant_unref(held);
    return dark;
}

void deleteWeakPortalState(gpointer data) {
    delete static_cast<std::weak_ptr<PortalState>*>(data);
}

void portalSettingChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                          GVariant* parameters, gpointer data) {
    std::shared_ptr<PortalState> state = static_cast<std::weak_ptr<PortalState>*>(data)->lock();
    if (!state || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)")))
        return;
    const gchar* nameSpace = nullptr;
    const gchar* key = nullptr;
    GVariant* value = nullptr;
    g_variant_get(parameters, "(&s&sv)", &nameSpace, &key, &value);
    if (g_str_equal(nameSpace, kAppearanceNamespace) && g_str_equal(key, kColorSchemeKey))
        state->handler(portalSchemeIsDark(value));
    g_variant_unref(value);
}

void portalSchemeRead(GObject* source, GAsyncResult* result, gpointer data) {
    auto* weakState = static_cast<std::weak_ptr<PortalState>*>(data);
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
    std::shared_ptr<PortalState> state = weakState->lock();
    delete weakState;
    if (!reply)
        return; // no portal, or no such setting
    if (state && g_variant_is_of_type(reply, G_VARIANT_TYPE("(v)"))) {
        GVariant* value = g_variant_get_child_value(reply, 0);
        state->handler(portalSchemeIsDark(value));
        g_variant_unref(value);
    }
    g_variant_unref(reply);
}

void portalBusReached(GObject*, GAsyncResult* result, gpointer data) {
    auto* weakState = static_cast<std::weak_ptr<PortalState>*>(data);
    GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, nullptr);
    std::shared_ptr<PortalState> state = weakState->lock();
    if (!state || !connection) {
        if (connection)
            g_object_unref(connection);
        delete weakState;
        return;
    }
    state->connection = connection;
    // Subscribed before the read, so that no change falls between the two; both arrive in the main
    // context, in order.
    state->subscription = g_dbus_connection_signal_subscribe(
        connection, kPortalName, kSettingsInterface, "SettingChanged", kPortalPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, portalSettingChanged, weakState, deleteWeakPortalState);
    g_dbus_connection_call(connection, kPortalName, kPortalPath, kSettingsInterface, "ReadOne",
                           g_variant_new("(ss)", kAppearanceNamespace, kColorSchemeKey),
                           G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, -1, state->cancellable,
                           portalSchemeRead, new std::weak_ptr<PortalState>(state));
}

} // namespace

std::unique_ptr<VLWSAppearancePortal> VLWSAppearancePortal::start(const std::string& busAddress,
                                                                  Handler handler) {
    auto state = std::make_shared<State>();
    state->handler = std::move(handler);
    const auto flags = GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                            G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    if (!busAddress.empty())
        g_dbus_connection_new_for_address(busAddress.c_str(), flags, nullptr, state->cancellable,
                                          portalBusReached, new std::weak_ptr<State>(state));
    return std::unique_ptr<VLWSAppearancePortal>(new VLWSAppearancePortal(std::move(state)));
}

VLWSAppearancePortal::~VLWSAppearancePortal() = default;
