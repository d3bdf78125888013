#include "Tests/LoginHelper/VLPrivateSessionBus.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

VLPrivateSessionBus::VLPrivateSessionBus(const std::filesystem::path& folder) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return;
    const std::string listen = "--address=unix:path=" + (folder / "bus").string();
    _daemon = ::fork();
    if (_daemon == 0) {
        ::dup2(pipe[1], STDOUT_FILENO);
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", listen.c_str(), "--print-address=1",
                 nullptr);
        ::_exit(127);
    }
    ::close(pipe[1]);
    // The daemon prints its address once it listens; a daemon that failed closes the pipe first.
    char character;
    while (::read(pipe[0], &character, 1) == 1 && character != '\n')
        _address += character;
    ::close(pipe[0]);
}

VLPrivateSessionBus::~VLPrivateSessionBus() {
    for (GDBusConnection* owner : _owners) {
        g_dbus_connection_close_sync(owner, nullptr, nullptr);
        g_object_unref(owner);
    }
    if (_daemon > 0) {
        ::kill(_daemon, SIGTERM);
        ::waitpid(_daemon, nullptr, 0);
    }
}

bool VLPrivateSessionBus::own(const std::string& name) {
    const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                         G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    GDBusConnection* owner =
        g_dbus_connection_new_for_address_sync(_address.c_str(), flags, nullptr, nullptr, nullptr);
    if (!owner)
        return false;
    _owners.push_back(owner);
    GVariant* reply = g_dbus_connection_call_sync(
        owner, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", name.c_str(), 4u /* DBUS_NAME_FLAG_DO_NOT_QUEUE */), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    if (!reply)
        return false;
    guint32 result = 0;
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
    return result == 1; // DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER
}
