#pragma once

#include "Core/Launcher/Services/VLSystemAudioSource.h"

#include <memory>

class ContentHostConnection;

// Tells the main application what system audio the widgets want, since the application captures it and
// hands the frames in. The engine calls it on any thread; it sends from the main queue, so that the
// messages keep their order.
class ContentHostAudioSource final : public VLSystemAudioSource {
public:
    explicit ContentHostAudioSource(std::shared_ptr<ContentHostConnection> connection);

    void systemAudioWantedDidChange(bool wanted, bool mayAsk) override;
    void systemAudioAccessShouldBeRechecked() override;

private:
    const std::shared_ptr<ContentHostConnection> _connection;
};
