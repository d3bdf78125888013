#include "Platform/WindowServer/VLWSAppearancePortal.h"

#include "Platform/Foundation/VLMainQueue.h"
#include "Tests/LoginHelper/VLPrivateSessionBus.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kFakePortalInterface = R"(
<node>
  <interface name="org.freedesktop.portal.Settings">
    <method name="ReadOne">
      <arg type="s" name="namespace" direction="in"/>
      <arg type="s" name="key" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <signal name="SettingChanged">
      <arg type="s" name="namespace"/>
      <arg type="s" name="key"/>
      <arg type="v" name="value"/>
    </signal>
  </interface>
</node>)";

// The desktop portal's settings on a private bus: it answers the colour scheme it holds and announces
// changes. Its calls are answered in the main context, which the test runs.
class VLFakeAppearancePortal {
public:
    VLFakeAppearancePortal(const std::string& address, uint32_t scheme) : _scheme(scheme) {
        const auto flags = GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
        _connection =
            g_dbus_connection_new_for_address_sync(address.c_str(), flags, nullptr, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kFakePortalInterface, nullptr);
        static const GDBusInterfaceVTable vtable = {call, nullptr, nullptr, {}};
        _registration =
            g_dbus_connection_register_object(_connection, "/org/freedesktop/portal/desktop",
                                              node->interfaces[0], &vtable, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        GVariant* reply = g_dbus_connection_call_sync(
            _connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", "org.freedesktop.portal.Desktop", 4u), G_VARIANT_TYPE("(u)"),
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply)
            g_variant_unref(reply);
    }
    ~VLFakeAppearancePortal() {
        g_dbus_connection_unregister_object(_connection, _registration);
        g_dbus_connection_close_sync(_connection, nullptr, nullptr);
        g_object_unref(_connection);
    }

    void change(const char* nameSpace, const char* key, uint32_t scheme) {
        g_dbus_connection_emit_signal(
            _connection, nullptr, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings",
            "SettingChanged", g_variant_new("(ssv)", nameSpace, key, g_variant_new_uint32(scheme)), nullptr);
        g_dbus_connection_flush_sync(_connection, nullptr, nullptr);
    }

private:
    static void call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
                     GDBusMethodInvocation* invocation, gpointer data) {
        const uint32_t scheme = static_cast<VLFakeAppearancePortal*>(data)->_scheme;
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", g_variant_new_uint32(scheme)));
    }

    uint32_t _scheme;
    GDBusConnection* _connection = nullptr;
    guint _registration = 0;
};

} // namespace

TEST(VLWSAppearancePortalTests, FollowsTheDesktopsColourSchemeFromItsFirstReading) {
    VLTemporaryDirectory folder;
    VLPrivateSessionBus bus(folder.path());
    ASSERT_FALSE(bus.address().empty());
    VLFakeAppearancePortal portal(bus.address(), 1);
    std::vector<bool> heard;
    auto watcher = VLWSAppearancePortal::start(bus.address(), [&](bool dark) { heard.push_back(dark); });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return heard.size() == 1; }));

    portal.change("org.freedesktop.appearance", "color-scheme", 2);
    portal.change("org.freedesktop.appearance", "accent-color", 1);
    portal.change("org.freedesktop.appearance", "color-scheme", 1);
    portal.change("org.freedesktop.appearance", "color-scheme", 0);
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return heard.size() == 4; }));
    EXPECT_EQ(heard, (std::vector<bool>{true, false, true, false}));
}
