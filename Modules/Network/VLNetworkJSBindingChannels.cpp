// The BroadcastChannels of VLNetworkJSBinding: channelOpen(), channelClose(), channelPost(), and the
// messages that the broadcast hub hands in.

#include "Modules/Network/VLNetworkJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Network/VLBroadcastHub.h"
#include "Modules/Network/VLBroadcastMessage.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr uint64_t kMaximumMessageSize = 1048576;

JSValueRef channelRefusal(JSContextRef ctx, const char* name, const std::string& message) {
    return VLJSValueFromNSObject(ctx, VLDictionary{{"error", std::string(name)}, {"message", message}});
}

JSValueRef tooBig(JSContextRef ctx) {
    return channelRefusal(ctx, "DataCloneError",
                          "The message is too big: a message on a BroadcastChannel takes at most 1 MB");
}

// The UTF-16 units of a string value.
std::u16string utf16Of(JSContextRef ctx, JSValueRef value) {
    JSStringRef string = JSValueToStringCopy(ctx, value, nullptr);
    if (!string)
        return {};
    std::u16string text;
    if (const size_t length = JSStringGetLength(string))
        text.assign(reinterpret_cast<const char16_t*>(JSStringGetCharactersPtr(string)), length);
    JSStringRelease(string);
    return text;
}

JSValueRef stringOfUTF16(JSContextRef ctx, const std::u16string& text) {
    JSStringRef string =
        JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(text.data()), text.size());
    JSValueRef value = JSValueMakeString(ctx, string);
    JSStringRelease(string);
    return value;
}

// The count of an array's "length": its whole part, or nothing when it is no number, NaN, negative or
// infinite.
std::optional<double> bufferCountOf(JSContextRef ctx, JSObjectRef array) {
    JSValueRef exception = nullptr;
    JSStringRef name = JSStringCreateWithUTF8CString("length");
    JSValueRef length = JSObjectGetProperty(ctx, array, name, &exception);
    JSStringRelease(name);
    if (exception || !length || !JSValueIsNumber(ctx, length))
        return std::nullopt;
    const double count = VLJSValueToNumberFast(ctx, length);
    if (!std::isfinite(count) || count < 0)
        return std::nullopt;
    return std::floor(count);
}

bool isBuffer(JSContextRef ctx, JSValueRef value) {
    return JSValueIsObject(ctx, value) &&
           JSValueGetTypedArrayType(ctx, value, nullptr) != kJSTypedArrayTypeNone;
}

} // namespace

const VLNetworkJSBinding::ChannelOwners& VLNetworkJSBinding::channelOwners() {
    if (!_channelOwners) {
        std::shared_ptr<VLRuntime> runtime = this->runtime();
        _channelOwners = ChannelOwners{runtime, runtime ? runtime->messagingPackage() : std::nullopt,
                                       runtime ? runtime->messagingNamespace() : std::nullopt};
    }
    return *_channelOwners;
}

std::optional<std::string> VLNetworkJSBinding::_channelKeyForScope(const std::string& scope,
                                                                   const std::string& name,
                                                                   std::string* failure) {
    const ChannelOwners& owners = channelOwners();
    if (scope == "package")
        return scope + "\n" + owners.package.value_or("") + "\n" + name;
    if (scope == "namespace") {
        if (owners.space)
            return scope + "\n" + *owners.space + "\n" + name;
        if (failure)
            *failure =
                VLStringWithFormat("BroadcastChannels of scope \"namespace\" are only for content installed "
                                   "from the store, or run by velto dev or the Develop menu, with an id of "
                                   "the form %@.<namespace>.<name>",
                                   kVLReverseDomainPrefix);
        return std::nullopt;
    }
    if (failure)
        *failure = VLStringWithFormat("Unknown scope \"%@\"", scope);
    return std::nullopt;
}

bool VLNetworkJSBinding::joinsBroadcastHub() {
    return channelOwners().package.has_value();
}

bool VLNetworkJSBinding::channelsHaveEnded() {
    if (isTerminated())
        return true;
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    std::shared_ptr<VLRuntime> runtime = channelOwners().runtime.lock();
    return !bindingContext || bindingContext->isTerminated() || (runtime && runtime->isTerminated());
}

JSValueRef VLNetworkJSBinding::channelOpen(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                           JSValueRef*) {
    if (argc < 3 || !JSValueIsString(ctx, argv[0]) || !JSValueIsString(ctx, argv[1]) ||
        !JSValueIsObject(ctx, argv[2]) || isTerminated())
        return JSValueMakeNull(ctx);
    std::string failure;
    const std::optional<std::string> key =
        _channelKeyForScope(VLJSValueToNSString(ctx, argv[0]).value_or(""),
                            VLJSValueToNSString(ctx, argv[1]).value_or(""), &failure);
    if (!key)
        return channelRefusal(ctx, "SecurityError", failure);
    if (!_channelListener) {
        _channelListener = JSValueToObject(ctx, argv[2], nullptr);
        VLJSValueProtect(ctx, _channelListener);
        // Before the hub knows the binding, and never again: other threads read them from then on.
        if (std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext())
            _channelEngine = bindingContext->engine();
        _channelHop = hop();
    }
    if (_channelKeys.insert(*key).second && joinsBroadcastHub())
        VLBroadcastHub::sharedHub().addReceiver(sharedFromThis(), *key);
    return JSValueMakeNull(ctx);
}

JSValueRef VLNetworkJSBinding::channelClose(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                            JSValueRef*) {
    if (argc < 2 || !JSValueIsString(ctx, argv[0]) || !JSValueIsString(ctx, argv[1]))
        return nullptr;
    const std::optional<std::string> key =
        _channelKeyForScope(VLJSValueToNSString(ctx, argv[0]).value_or(""),
                            VLJSValueToNSString(ctx, argv[1]).value_or(""), nullptr);
    if (key && _channelKeys.erase(*key) > 0)
        VLBroadcastHub::sharedHub().removeReceiver(this, *key);
    return nullptr;
}

JSValueRef VLNetworkJSBinding::channelPost(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                           JSValueRef*) {
    if (argc < 5 || !JSValueIsString(ctx, argv[0]) || !JSValueIsString(ctx, argv[1]) ||
        !JSValueIsString(ctx, argv[2]) || channelsHaveEnded())
        return JSValueMakeNull(ctx);
    std::string scope = VLJSValueToNSString(ctx, argv[0]).value_or("");
    std::string name = VLJSValueToNSString(ctx, argv[1]).value_or("");
    std::string failure;
    const std::optional<std::string> key = _channelKeyForScope(scope, name, &failure);
    if (!key)
        return channelRefusal(ctx, "SecurityError", failure);

    std::u16string tree = utf16Of(ctx, argv[2]);
    if (VLBroadcastMessage::sizeOfTree(tree.size(), 0) > kMaximumMessageSize)
        return tooBig(ctx);
    std::vector<VLData> buffers;
    if (JSValueIsArray(ctx, argv[3])) {
        JSObjectRef list = JSValueToObject(ctx, argv[3], nullptr);
        const std::optional<double> count = bufferCountOf(ctx, list);
        if (!count || *count > static_cast<double>(tree.size() / 8))
            return channelRefusal(ctx, "DataCloneError",
                                  "The message has more ArrayBuffers than it refers to");
        uint64_t total = 0;
        for (unsigned index = 0; index < static_cast<unsigned>(*count); ++index) {
            JSValueRef element = JSObjectGetPropertyAtIndex(ctx, list, index, nullptr);
            if (!element || !isBuffer(ctx, element))
                return channelRefusal(
                    ctx, "DataCloneError",
                    "The message has something other than an ArrayBuffer among its ArrayBuffers");
            const std::span<const uint8_t> bytes = bytesOf(ctx, element);
            total += bytes.size();
            if (VLBroadcastMessage::sizeOfTree(tree.size(), total) > kMaximumMessageSize)
                return tooBig(ctx);
            buffers.emplace_back(bytes.begin(), bytes.end());
        }
    }

    auto message = std::make_shared<VLBroadcastMessage>(std::move(scope), std::move(name), std::move(tree),
                                                        std::move(buffers));
    if (!_allowance.take(VLClock::shared()->seconds(), message->size()))
        return channelRefusal(
            ctx, "QuotaExceededError",
            "Too many messages: content sends at most 240 messages and 16 MB a second on its "
            "BroadcastChannels");

    const double sourceId = JSValueIsNumber(ctx, argv[4]) ? VLJSValueToNumberFast(ctx, argv[4]) : -1;
    const double newestId =
        argc > 5 && JSValueIsNumber(ctx, argv[5]) ? VLJSValueToNumberFast(ctx, argv[5]) : -1;
    const bool toSender = argc > 6 ? JSValueToBoolean(ctx, argv[6]) : true;
    if (joinsBroadcastHub()) {
        VLBroadcastHub::sharedHub().postMessage(message, *key, this, toSender, sourceId, newestId);
    } else if (toSender && _channelKeys.contains(*key)) {
        message->setReceiverCount(1);
        receiveBroadcast(message, this, sourceId, newestId);
    }
    return JSValueMakeNull(ctx);
}

void VLNetworkJSBinding::receiveBroadcast(const std::shared_ptr<VLBroadcastMessage>& message,
                                          const VLBroadcastReceiver* sender, double sourceId,
                                          double newestId) {
    // Only the posting runtime sees its own ids.
    if (sender != this)
        sourceId = newestId = -1;
    if (_backlog.admit({message, sourceId, newestId}) == VLBroadcastBacklog::Admission::startsBatch)
        scheduleBroadcasts();
}

void VLNetworkJSBinding::scheduleBroadcasts() {
    std::shared_ptr<VLJSEngine> engine = _channelEngine.lock();
    _channelHop.later([work = engine ? engine->beginPendingWork() : nullptr](VLNetworkJSBinding& binding) {
        binding._deliverBroadcasts();
    });
}

void VLNetworkJSBinding::_deliverBroadcasts() {
    // What comes meanwhile (answers among the runtime's own channels) waits for a later turn, which
    // leaves the thread's other work its turns.
    for (size_t count = _backlog.count(); count > 0; --count) {
        std::optional<VLBroadcastBacklog::Delivery> delivery = _backlog.next();
        if (!delivery)
            break;
        _deliverBroadcast(delivery->message, delivery->sourceId, delivery->newestId);
    }
    if (_backlog.continuesBatch())
        scheduleBroadcasts();
}

void VLNetworkJSBinding::_deliverBroadcast(const std::shared_ptr<VLBroadcastMessage>& message,
                                           double sourceId, double newestId) {
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (channelsHaveEnded() || !ctx || !_channelListener)
        return;
    // The channel may have closed since.
    const std::optional<std::string> key = _channelKeyForScope(message->scope(), message->name(), nullptr);
    if (!key || !_channelKeys.contains(*key))
        return;
    std::vector<VLData> buffers = message->takeBuffers();
    std::vector<JSValueRef> values;
    values.reserve(buffers.size());
    for (VLData& buffer : buffers)
        values.push_back(VLJSValueFromNSDataNoCopy(ctx, std::move(buffer)));
    // Without a prototype, so that nothing a script put on Array.prototype reaches the channel's code.
    JSObjectRef list = JSObjectMakeArray(ctx, values.size(), values.data(), nullptr);
    if (list)
        JSObjectSetPrototype(ctx, list, JSValueMakeNull(ctx));
    const JSValueRef arguments[] = {VLJSValueFromNSString(ctx, message->scope()),
                                    VLJSValueFromNSString(ctx, message->name()),
                                    stringOfUTF16(ctx, message->tree()),
                                    list ? list : JSValueMakeNull(ctx),
                                    JSValueMakeNumber(ctx, sourceId),
                                    JSValueMakeNumber(ctx, newestId)};
    JSValueRef exception = nullptr;
    JSObjectCallAsFunction(ctx, _channelListener, nullptr, 6, arguments, &exception);
    if (exception)
        VLJSBindingHandleJSException(this, exception);
}

void VLNetworkJSBinding::leaveBroadcastChannels() {
    VLBroadcastHub::sharedHub().removeReceiver(this);
    _channelKeys.clear();
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    // Once the context is unbound, it goes with the listener.
    VLJSValueUnprotect(bindingContext ? bindingContext->globalCtx() : nullptr, _channelListener);
    _channelListener = nullptr;
}
