#pragma once

#include <gio/gio.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// A session bus of the test's own: a dbus-daemon listening in a folder of the test, stopped with the
// object. The test owns names on it through connections of its own.
class VLPrivateSessionBus {
public:
    explicit VLPrivateSessionBus(const std::filesystem::path& folder);
    ~VLPrivateSessionBus();
    VLPrivateSessionBus(const VLPrivateSessionBus&) = delete;
    VLPrivateSessionBus& operator=(const VLPrivateSessionBus&) = delete;

    // The address to give as DBUS_SESSION_BUS_ADDRESS; empty when the daemon did not start.
    const std::string& address() const { return _address; }
    // Owns the name until the bus goes. False when the bus did not grant it.
    bool own(const std::string& name);

private:
    pid_t _daemon = -1;
    std::string _address;
    std::vector<GDBusConnection*> _owners;
};
