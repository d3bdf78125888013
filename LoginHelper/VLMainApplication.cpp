#include "LoginHelper/VLMainApplication.h"

bool VLMainApplication::isRunning() {
    VLGObjectPointer<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!bus)
        return false;
    // A bus that can't answer counts as one without the name: opening a second time is harmless for a
    // single-instance application, not opening it at all is not.
    VLGVariantPointer reply(g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", bundleIdentifier), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        nullptr));
    if (!reply)
        return false;
    gboolean owned = FALSE;
    g_variant_get(reply.get(), "(b)", &owned);
    return owned;
}

bool VLMainApplication::open(const std::string& applicationPath, GError** error) {
    VLGCharsPointer path(g_build_filename(applicationPath.c_str(), desktopEntryName, nullptr));
    const VLGObjectPointer<GDesktopAppInfo> entry = desktopEntry(path.get(), error);
    if (!entry)
        return false;
    const VLGObjectPointer<GAppLaunchContext> context = launchContext();
    // Always spawned, never activated over D-Bus, which would drop the context's environment. Without
    // G_SPAWN_DO_NOT_REAP_CHILD, GLib spawns through an intermediate child: nothing is left to wait for.
    return g_desktop_app_info_launch_uris_as_manager(entry.get(), nullptr, context.get(), G_SPAWN_SEARCH_PATH,
                                                     nullptr, nullptr, nullptr, nullptr, error);
}

VLGObjectPointer<GDesktopAppInfo> VLMainApplication::desktopEntry(const std::string& path, GError** error) {
    VLGObjectPointer<GDesktopAppInfo> entry(g_desktop_app_info_new_from_filename(path.c_str()));
    if (entry)
        return entry;
    // GIO says only that it could not make an application of the file; the key file says why.
    VLGKeyFilePointer keyFile(g_key_file_new());
    GError* loadError = nullptr;
    if (!g_key_file_load_from_file(keyFile.get(), path.c_str(), G_KEY_FILE_NONE, &loadError)) {
        g_propagate_prefixed_error(error, loadError, "%s: ", path.c_str());
        return nullptr;
    }
    g_set_error(error, G_KEY_FILE_ERROR, G_KEY_FILE_ERROR_INVALID_VALUE,
                "%s: not the desktop entry of an application whose program exists", path.c_str());
    return nullptr;
}

VLGObjectPointer<GAppLaunchContext> VLMainApplication::launchContext() {
    VLGObjectPointer<GAppLaunchContext> context(g_app_launch_context_new());
    g_app_launch_context_setenv(context.get(), launchedAsLoginItemVariable, "1");
    // A plain context makes no startup notification or activation token; one that the session handed the
    // helper must not reach the application either, or the desktop would bring it to the front.
    g_app_launch_context_unsetenv(context.get(), "DESKTOP_STARTUP_ID");
    g_app_launch_context_unsetenv(context.get(), "XDG_ACTIVATION_TOKEN");
    return context;
}
