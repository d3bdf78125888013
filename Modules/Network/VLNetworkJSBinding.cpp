#include "Modules/Network/VLNetworkJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/VLBlobURLStore.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Modules/Network/VLBroadcastHub.h"
#include "Modules/Network/VLNetworkRequest.h"
#include "Modules/Network/VLNetworkSessionDelegate.h"
#include "Platform/Foundation/VLPreferredLanguages.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLTextEncoding.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Platform/Network/VLHTTPSession.h"
#include "Platform/Network/VLWebSocketSession.h"

#include <algorithm>

namespace {

// "zh-TW,en;q=0.9,de;q=0.8": the preferred languages, each after the first weighed a tenth less.
std::string acceptLanguage() {
    std::string field;
    const std::vector<std::string> languages = VLWebLanguages();
    for (size_t i = 0; i < languages.size(); ++i) {
        if (i == 0)
            field = languages[i];
        else
            field += VLStringWithFormat(",%@;q=%.1f", languages[i], std::max(0.1, 1.0 - 0.1 * double(i)));
    }
    return field;
}

JSValueRef stringFromUTF16(JSContextRef ctx, const std::u16string& text) {
    JSStringRef string =
        JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(text.data()), text.size());
    JSValueRef value = JSValueMakeString(ctx, string);
    JSStringRelease(string);
    return value;
}

} // namespace

void VLNetworkJSBinding::describe(VLJSClassBuilder<VLNetworkJSBinding>& b) {
    b.function<"request", &VLNetworkJSBinding::request>();
    b.function<"abort", &VLNetworkJSBinding::abort>();
    b.function<"pause", &VLNetworkJSBinding::pause>();
    b.function<"resume", &VLNetworkJSBinding::resume>();
    b.function<"createObjectURL", &VLNetworkJSBinding::createObjectURL>();
    b.function<"revokeObjectURL", &VLNetworkJSBinding::revokeObjectURL>();
    b.function<"isBindingObject", &VLNetworkJSBinding::isBindingObject>();
    b.function<"encode", &VLNetworkJSBinding::encode>();
    b.function<"decode", &VLNetworkJSBinding::decode>();
    b.function<"connect", &VLNetworkJSBinding::connect>();
    b.function<"send", &VLNetworkJSBinding::send>();
    b.function<"bufferedAmount", &VLNetworkJSBinding::bufferedAmount>();
    b.function<"close", &VLNetworkJSBinding::close>();
    b.function<"channelOpen", &VLNetworkJSBinding::channelOpen>();
    b.function<"channelClose", &VLNetworkJSBinding::channelClose>();
    b.function<"channelPost", &VLNetworkJSBinding::channelPost>();
}

// Hops

std::function<void()> VLNetworkJSBinding::Hop::guarded(Block block) const {
    return [binding = _binding, block = std::move(block)] {
        std::shared_ptr<VLNetworkJSBinding> strong = binding.lock();
        if (strong && !strong->isTerminated())
            block(*strong);
    };
}

void VLNetworkJSBinding::Hop::now(Block block) const {
    if (std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock())
        VLJSBindingPerformBlockOnThread(bindingContext, guarded(std::move(block)));
}

void VLNetworkJSBinding::Hop::later(Block block) const {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    if (std::shared_ptr<VLRunLoopThread> thread =
            bindingContext ? VLJSBindingGetThread(bindingContext) : nullptr)
        thread->post(guarded(std::move(block)));
}

VLNetworkJSBinding::Hop VLNetworkJSBinding::hop() {
    return Hop(sharedFromThis(), bindingContext());
}

// Lifetime

VLNetworkJSBinding::~VLNetworkJSBinding() {
    endSession();
    VLBroadcastHub::sharedHub().removeReceiver(this);
}

// The end of the runtime is observed from the start, not only once a session exists, so that file and
// object-URL requests still on their way are forgotten at the end too.
void VLNetworkJSBinding::didCreateJSObject(JSObjectRef object,
                                           const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    _globalContext = bindingContext ? bindingContext->globalCtx() : nullptr;
    // Posted on the JavaScript thread of the runtime that ends.
    _terminationObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeWillTerminateNotification, nullptr,
        [weakSelf = std::weak_ptr(sharedFromThis())](const VLNotification& notification) {
            if (std::shared_ptr<VLNetworkJSBinding> self = weakSelf.lock())
                self->runtimeWillTerminate(notification);
        });
}

void VLNetworkJSBinding::willCollectGarbage() {
    _requests.clear();
    _requestIdsByTask.clear();
    _sockets.clear();
    _socketIdsByTask.clear();
    endSession();
    leaveBroadcastChannels();
    Super::willCollectGarbage();
}

std::shared_ptr<VLRuntime> VLNetworkJSBinding::runtime() const {
    auto runtimeContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(bindingContext());
    return runtimeContext ? runtimeContext->runtime() : nullptr;
}

const std::shared_ptr<VLHTTPSession>& VLNetworkJSBinding::session() {
    if (_session)
        return _session;
    _sessionDelegate = std::make_shared<VLNetworkSessionDelegate>(hop(), runtime());
    VLHTTPSessionConfiguration configuration;
    configuration.keepsCookies = true;
    configuration.decodesContent = true;
    configuration.additionalHeaders = {
        {"User-Agent", kVLUserAgent}, {"Accept", "*/*"}, {"Accept-Language", acceptLanguage()}};
    _session = VLHTTPSession::create(VLStringWithFormat("%@.network", kVLReverseDomainPrefix),
                                     _sessionDelegate, std::move(configuration));
    return _session;
}

void VLNetworkJSBinding::runtimeWillTerminate(const VLNotification& notification) {
    const auto* context = notification.userInfoValue<JSGlobalContextRef>(VLRuntimeGlobalContextKey);
    if (context && *context == _globalContext)
        _invalidate();
}

void VLNetworkJSBinding::_invalidate() {
    _terminated.store(true);
    endSession();
    _requests.clear();
    _requestIdsByTask.clear();
    _sockets.clear();
    _socketIdsByTask.clear();
    leaveBroadcastChannels();
}

void VLNetworkJSBinding::endSession() {
    if (_terminationObserver)
        VLNotificationCenter::defaultCenter().removeObserver(_terminationObserver);
    _terminationObserver = nullptr;
    if (_session)
        _session->invalidateAndCancel();
    if (_webSocketSession)
        _webSocketSession->invalidateAndCancel();
}

// Requests: steering

VLNetworkRequest* VLNetworkJSBinding::requestWithIdentifier(double identifier) {
    const auto found = _requests.find(identifier);
    return found == _requests.end() ? nullptr : found->second.get();
}

std::optional<double> VLNetworkJSBinding::requestIdentifierForTask(uint64_t taskIdentifier) {
    const auto found = _requestIdsByTask.find(taskIdentifier);
    if (found == _requestIdsByTask.end())
        return std::nullopt;
    VLNetworkRequest* request = requestWithIdentifier(found->second);
    if (!request || !request->task || request->task->taskIdentifier() != taskIdentifier)
        return std::nullopt;
    return found->second;
}

std::shared_ptr<VLHTTPDataTask> VLNetworkJSBinding::taskForRequest(double identifier) {
    VLNetworkRequest* request = requestWithIdentifier(identifier);
    return request ? request->task : nullptr;
}

bool VLNetworkJSBinding::isCheckingAddress(double identifier) {
    VLNetworkRequest* request = requestWithIdentifier(identifier);
    return request && request->checkingAddress;
}

void VLNetworkJSBinding::cancelTask(VLNetworkRequest& request) {
    if (!request.task)
        return;
    _requestIdsByTask.erase(request.task->taskIdentifier());
    request.task->cancel();
}

void VLNetworkJSBinding::forgetRequest(double identifier) {
    if (VLNetworkRequest* request = requestWithIdentifier(identifier)) {
        if (request->task)
            _requestIdsByTask.erase(request->task->taskIdentifier());
        _requests.erase(identifier);
    }
}

JSValueRef VLNetworkJSBinding::abort(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    const double identifier = argc > 0 ? VLJSValueToNumberFast(ctx, argv[0]) : 0;
    if (VLNetworkRequest* request = requestWithIdentifier(identifier)) {
        cancelTask(*request);
        _requests.erase(identifier);
    }
    return nullptr;
}

JSValueRef VLNetworkJSBinding::pause(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    if (VLNetworkRequest* request =
            requestWithIdentifier(argc > 0 ? VLJSValueToNumberFast(ctx, argv[0]) : 0)) {
        request->paused = true;
        if (request->task)
            request->task->suspend();
    }
    return nullptr;
}

JSValueRef VLNetworkJSBinding::resume(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    const double identifier = argc > 0 ? VLJSValueToNumberFast(ctx, argv[0]) : 0;
    VLNetworkRequest* request = requestWithIdentifier(identifier);
    if (!request)
        return nullptr;
    request->paused = false;
    // The address check resumes the task itself once it allows it.
    if (request->task && !request->checkingAddress)
        request->task->resume();
    if (!request->heldCalls.empty())
        hop().later([identifier](VLNetworkJSBinding& binding) { binding.runHeldCalls(identifier); });
    return nullptr;
}

// Object URLs and other helpers

JSValueRef VLNetworkJSBinding::createObjectURL(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                               JSValueRef*) {
    std::shared_ptr<VLRuntime> runtime = this->runtime();
    std::shared_ptr<VLBlobURLStore> store = runtime ? runtime->blobURLStore() : nullptr;
    if (!store)
        return JSValueMakeNull(ctx);
    const std::span<const uint8_t> bytes = argc > 0 ? bytesOf(ctx, argv[0]) : std::span<const uint8_t>();
    const std::string type = argc > 1 ? VLJSValueToNSString(ctx, argv[1]).value_or("") : "";
    return VLJSValueFromNSString(ctx, store->addData(VLData(bytes.begin(), bytes.end()), type));
}

JSValueRef VLNetworkJSBinding::revokeObjectURL(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                               JSValueRef*) {
    std::shared_ptr<VLRuntime> runtime = this->runtime();
    std::shared_ptr<VLBlobURLStore> store = runtime ? runtime->blobURLStore() : nullptr;
    const std::string url = argc > 0 ? VLJSValueToNSString(ctx, argv[0]).value_or("") : "";
    if (store && !url.empty())
        store->removeURL(url);
    return nullptr;
}

JSValueRef VLNetworkJSBinding::isBindingObject(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                               JSValueRef*) {
    return JSValueMakeBoolean(ctx, argc > 0 && VLJSBindingGetObject(ctx, argv[0]) != nullptr);
}

std::span<const uint8_t> VLNetworkJSBinding::bytesOf(JSContextRef ctx, JSValueRef value) {
    size_t length = 0;
    const void* bytes = VLJSValueGetTypedArrayPtr(ctx, value, &length);
    return bytes ? std::span(static_cast<const uint8_t*>(bytes), length) : std::span<const uint8_t>();
}

JSValueRef VLNetworkJSBinding::encode(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    std::string text = argc > 0 ? VLJSValueTransformToNSString(ctx, argv[0]).value_or("") : "";
    if (text.empty())
        return JSValueMakeNull(ctx);
    return VLJSValueFromNSDataNoCopy(ctx, VLData(text.begin(), text.end()));
}

JSValueRef VLNetworkJSBinding::decode(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    const std::span<const uint8_t> bytes = argc > 0 ? bytesOf(ctx, argv[0]) : std::span<const uint8_t>();
    if (bytes.empty())
        return VLJSValueFromNSString(ctx, "");
    const std::string label = argc > 1 ? VLJSValueToNSString(ctx, argv[1]).value_or("") : "";
    const bool fatal = argc > 2 && JSValueToBoolean(ctx, argv[2]);
    const std::optional<std::u16string> text = VLDecodeTextWithCharsetLabel(bytes, label, fatal);
    return text ? stringFromUTF16(ctx, *text) : JSValueMakeNull(ctx);
}
