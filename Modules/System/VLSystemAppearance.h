#pragma once

#include <memory>
#include <mutex>
#include <string>

class VLWindowServer;

// Posted on the default centre, on the main thread, with the appearance record as object, when the
// appearance changes.
inline constexpr const char* VLSystemAppearanceDidChangeNotification =
    "VLSystemAppearanceDidChangeNotification";

// The process-wide record of the system appearance, "light" or "dark", kept current by observing the
// application's effective appearance on the window server. Made on the main queue as soon as the engine
// is loaded; its first value comes from the user default "AppleInterfaceStyle".
//
// appearance() may be read on any thread; it is written on the main thread.
class VLSystemAppearance final : public std::enable_shared_from_this<VLSystemAppearance> {
public:
    static std::shared_ptr<VLSystemAppearance> sharedInstance();
    // For tests: the record that sharedInstance() answers from now on; nullptr makes a new one at next use.
    static void setShared(std::shared_ptr<VLSystemAppearance> appearance);

    // A record observing the server's application, starting on the main thread; without a server (a
    // process with no application to observe) it keeps its first value and says so in the log.
    static std::shared_ptr<VLSystemAppearance> make(const std::shared_ptr<VLWindowServer>& server);

    ~VLSystemAppearance();
    VLSystemAppearance(const VLSystemAppearance&) = delete;
    VLSystemAppearance& operator=(const VLSystemAppearance&) = delete;

    std::string appearance() const;

private:
    VLSystemAppearance();
    void startObserving(const std::shared_ptr<VLWindowServer>& server);
    void effectiveAppearanceDidChange(bool dark);

    mutable std::mutex _lock; // guards _appearance; any thread
    std::string _appearance;
    std::weak_ptr<VLWindowServer> _server; // main thread, as the two below
    uint64_t _observation = 0;
};
