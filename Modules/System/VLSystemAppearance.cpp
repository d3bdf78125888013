#include "Modules/System/VLSystemAppearance.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLQueueSupport.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/WindowServer/VLWindowServer.h"

namespace {

// Guards the process's record; any thread.
std::mutex sharedAppearanceLock;
std::shared_ptr<VLSystemAppearance> sharedAppearance;

// Observation starts as soon as the engine is loaded, once the main queue runs.
const bool systemAppearanceScheduled = [] {
    VLMainQueue::async([] { VLSystemAppearance::sharedInstance(); });
    return true;
}();

} // namespace

std::shared_ptr<VLSystemAppearance> VLSystemAppearance::sharedInstance() {
    std::lock_guard lock(sharedAppearanceLock);
    if (!sharedAppearance)
        sharedAppearance = make(VLWindowServer::shared());
    return sharedAppearance;
}

void VLSystemAppearance::setShared(std::shared_ptr<VLSystemAppearance> appearance) {
    std::lock_guard lock(sharedAppearanceLock);
    sharedAppearance = std::move(appearance);
}

VLSystemAppearance::VLSystemAppearance() {
    const VLValue style = VLUserDefaults::standard().objectForKey("AppleInterfaceStyle");
    _appearance = style.isString() && style.stringValue() == "Dark" ? "dark" : "light";
}

std::shared_ptr<VLSystemAppearance> VLSystemAppearance::make(const std::shared_ptr<VLWindowServer>& server) {
    std::shared_ptr<VLSystemAppearance> record(new VLSystemAppearance());
    VLExecuteOnMainQueue([weakRecord = std::weak_ptr(record), weakServer = std::weak_ptr(server),
                          hasServer = server != nullptr] {
        std::shared_ptr<VLSystemAppearance> record = weakRecord.lock();
        if (!record)
            return;
        std::shared_ptr<VLWindowServer> server = weakServer.lock();
        if (!hasServer || !server) {
            VLLogDefault("VLSystemJSBinding", "NSApp does not exist, appearance changes are not observed");
            return;
        }
        record->startObserving(server);
    });
    return record;
}

VLSystemAppearance::~VLSystemAppearance() {
    // Let go of on the main thread, as the process's record or a test's.
    if (std::shared_ptr<VLWindowServer> server = _server.lock(); server && _observation)
        server->appearance().removeObserver(_observation);
}

void VLSystemAppearance::startObserving(const std::shared_ptr<VLWindowServer>& server) {
    _server = server;
    _observation = server->appearance().addObserver(
        [weakSelf = weak_from_this()](VLWSAppearance::Name name) {
            if (std::shared_ptr<VLSystemAppearance> self = weakSelf.lock())
                self->effectiveAppearanceDidChange(name == VLWSAppearance::Name::DarkAqua);
        },
        true);
}

void VLSystemAppearance::effectiveAppearanceDidChange(bool dark) {
    const std::string appearance = dark ? "dark" : "light";
    {
        std::lock_guard lock(_lock);
        if (_appearance == appearance)
            return;
        _appearance = appearance;
    }
    VLNotificationCenter::defaultCenter().post(VLSystemAppearanceDidChangeNotification, this);
}

std::string VLSystemAppearance::appearance() const {
    std::lock_guard lock(_lock);
    return _appearance;
}
