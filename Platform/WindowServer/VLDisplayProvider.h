#pragma once

#include <cstdint>
#include <memory>

// Posted on the main queue, on the default centre, when the displays changed; the object is the
// provider that changed.
inline constexpr const char* VLScreenParametersDidChangeNotification =
    "VLScreenParametersDidChangeNotification";

// What frame sources ask of the displays: which one is main, how fast each refreshes, whether it sleeps.
// Process-wide and replaceable; by default the window server answers, whose default is one virtual
// display, id 1, 60 Hz, never asleep.
//
// Implementations answer on any thread.
class VLDisplayProvider {
public:
    virtual ~VLDisplayProvider() = default;

    virtual uint32_t mainDisplayID() const = 0;
    virtual bool hasDisplay(uint32_t displayID) const = 0;
    virtual bool isAsleep(uint32_t displayID) const = 0;
    // Hertz; 60 for a display that does not say or is unknown.
    double refreshRate(uint32_t displayID) const;

    // The process's provider: the window server unless a test put another in its place.
    static std::shared_ptr<VLDisplayProvider> shared();
    // nullptr brings back the window server.
    static void setShared(std::shared_ptr<VLDisplayProvider> provider);

protected:
    // Hertz as the display states it; 0 when it does not or the display is unknown.
    virtual double statedRefreshRate(uint32_t displayID) const = 0;
};
