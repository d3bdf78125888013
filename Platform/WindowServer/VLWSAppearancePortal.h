#pragma once

#include <functional>
#include <memory>
#include <string>

// Follows the desktop's colour scheme through the freedesktop portal on the session bus: the setting
// "color-scheme" of "org.freedesktop.appearance", read once at start and then on each SettingChanged
// signal; 1 means dark, anything else light. The bus is reached asynchronously, at the address given (the
// session's DBUS_SESSION_BUS_ADDRESS); without an address, a bus or a portal nothing is ever heard.
//
// Main thread: made there, and the handler is called there.
class VLWSAppearancePortal final {
public:
    using Handler = std::function<void(bool dark)>;

    static std::unique_ptr<VLWSAppearancePortal> start(const std::string& busAddress, Handler handler);
    // Stops listening; the handler is not called afterwards.
    ~VLWSAppearancePortal();
    VLWSAppearancePortal(const VLWSAppearancePortal&) = delete;
    VLWSAppearancePortal& operator=(const VLWSAppearancePortal&) = delete;

    struct State;

private:
    explicit VLWSAppearancePortal(std::shared_ptr<State> state) : _state(std::move(state)) {}

    // Shared with GIO's callbacks, which hold it weakly and may still be queued after the end.
    const std::shared_ptr<State> _state;
};
