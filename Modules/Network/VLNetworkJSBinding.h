#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"
#include "Core/Engine/JS/VLJSProtectedValue.h"
#include "Modules/Network/VLBroadcastAllowance.h"
#include "Modules/Network/VLBroadcastBacklog.h"
#include "Modules/Network/VLBroadcastReceiver.h"
#include "Modules/Network/VLNetworkBodyBuffers.h"
#include "Modules/Network/VLNetworkRequest.h"
#include "Modules/Network/VLNetworkSocket.h"
#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLValue.h"
#include "Platform/Network/VLHTTPResponse.h"

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

class VLBroadcastMessage;
class VLHTTPDataTask;
struct VLHTTPRequest;
class VLHTTPSession;
class VLJSBindingContext;
class VLJSEngine;
class VLNetworkSessionDelegate;
class VLNetworkWebSocketDelegate;
class VLRuntime;
class VLURL;
class VLWebSocketSession;
class VLWebSocketTask;
struct VLWebSocketMessage;

// VeltoRuntime.Network, one per runtime: the native side of the network scripts. Requests go through a
// session of its own (made on first use, on the thread "app.velto.network", with the cookies of this
// runtime only), or read package and sandbox files and object URLs; a listener object hears response,
// data and complete. WebSocket connections go through a WebSocket session (made at the first connect, on
// the thread "app.velto.websocket"); a listener object hears open, message, error and close. It also
// makes and revokes object URLs and encodes and decodes text. Requests and connections share one
// counter of identifiers, the hops to the JavaScript thread and the end: the runtime's termination (or
// the binding's collection) forgets every request and connection without a further call and
// invalidates the sessions.
//
// Threads: the methods, the maps and every listener call belong to the JavaScript thread. The sessions'
// delegates, the address checks and the file reads run elsewhere and come back through Hop.
class VLNetworkJSBinding final : public VLJSBinding<VLNetworkJSBinding>,
                                 public VLJSExportSingleton,
                                 public VLBroadcastReceiver {
public:
    // The way back to the JavaScript thread for other threads: a block runs there with the binding,
    // and is dropped when the binding is gone or terminated by then. Copyable; any thread.
    class Hop {
    public:
        using Block = std::function<void(VLNetworkJSBinding& binding)>;

        Hop() = default;
        Hop(std::weak_ptr<VLNetworkJSBinding> binding, std::weak_ptr<VLJSBindingContext> bindingContext)
            : _binding(std::move(binding)), _bindingContext(std::move(bindingContext)) {}

        // Inline when called on the JavaScript thread, else posted.
        void now(Block block) const;
        // Always posted, so that it runs in a later turn.
        void later(Block block) const;

    private:
        std::function<void()> guarded(Block block) const;

        std::weak_ptr<VLNetworkJSBinding> _binding;
        std::weak_ptr<VLJSBindingContext> _bindingContext;
    };

    // What one request may have on its way to the JavaScript thread; more waits in the transfer.
    static constexpr size_t kMaximumBodyBytesInFlight = 8 * 1024 * 1024;

    VLNetworkJSBinding() = default;
    ~VLNetworkJSBinding() override;

    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    void willCollectGarbage() override;

    JSValueRef request(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef abort(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef pause(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef resume(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef createObjectURL(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef revokeObjectURL(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef isBindingObject(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef encode(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef decode(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    // WebSocket connections.
    JSValueRef connect(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef send(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef bufferedAmount(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef close(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    // Broadcast channels.
    JSValueRef channelOpen(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef channelClose(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef channelPost(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    // From the broadcast hub, on the poster's thread or the transport's: queues the delivery for a later
    // turn of the JavaScript thread.
    void receiveBroadcast(const std::shared_ptr<VLBroadcastMessage>& message,
                          const VLBroadcastReceiver* sender, double sourceId, double newestId) override;

    static void describe(VLJSClassBuilder<VLNetworkJSBinding>& b);

    // For the session's delegate and the checks, on the JavaScript thread.
    void taskDidReceiveResponse(uint64_t taskIdentifier, VLHTTPResponse response);
    void taskDidReceiveData(const std::shared_ptr<VLHTTPDataTask>& task,
                            std::shared_ptr<VLNetworkBodyBuffers::Piece> piece);
    void taskDidComplete(uint64_t taskIdentifier, const VLErrorRef& error);
    // A connection of the request was refused for the reason given.
    void requestWasDenied(double identifier, std::string denial);
    // For the WebSocket delegate, on the JavaScript thread.
    void socketDidOpen(uint64_t taskIdentifier, const std::string& protocol);
    // Hands the received bytes back to the task once the listener has had them (or nobody wants them).
    void socketDidReceiveMessage(const std::shared_ptr<VLWebSocketTask>& task, VLWebSocketMessage message);
    void socketDidReceiveClose(uint64_t taskIdentifier, uint16_t code, const std::string& reason);
    void socketDidComplete(uint64_t taskIdentifier, const VLErrorRef& error);

    // The next identifier of a request or a connection: 1, 2, 3 … for the binding's life.
    double nextIdentifier() { return ++_lastId; }
    bool isTerminated() const { return _terminated.load(); }
    // For tests: the requests under way and the tasks they wait for, a request's task (null when it has
    // none) and whether it waits for its address check.
    size_t requestCount() const { return _requests.size(); }
    size_t taskCount() const { return _requestIdsByTask.size(); }
    std::shared_ptr<VLHTTPDataTask> taskForRequest(double identifier);
    bool isCheckingAddress(double identifier);
    // For tests: the connections under way, the tasks they wait for, and a connection's task.
    size_t socketCount() const { return _sockets.size(); }
    size_t socketTaskCount() const { return _socketIdsByTask.size(); }
    std::shared_ptr<VLWebSocketTask> taskForSocket(double identifier);

private:
    std::shared_ptr<VLRuntime> runtime() const;
    Hop hop();
    // Made on first use.
    const std::shared_ptr<VLHTTPSession>& session();
    void runtimeWillTerminate(const VLNotification& notification);
    // Forgets every request without a call and ends the session.
    void _invalidate();
    // Stops observing the runtime's end and invalidates the session, cancelling its tasks.
    void endSession();

    VLNetworkRequest* requestWithIdentifier(double identifier);
    // The request of a session task; nothing when unknown or when it has another task by now.
    std::optional<double> requestIdentifierForTask(uint64_t taskIdentifier);
    // Cancels the request's task and forgets it, so that what the task still reports is dropped.
    void cancelTask(VLNetworkRequest& request);
    void forgetRequest(double identifier);

    // Loading, by scheme.
    void loadFile(double identifier, const VLURL& url, const std::string& method);
    void loadObjectURL(double identifier, const VLURL& url, const std::string& method);
    void loadThroughSession(double identifier, const VLURL& url, VLHTTPRequest request);
    void addressCheckDidEnd(double identifier, const std::shared_ptr<VLHTTPDataTask>& task,
                            const std::optional<std::string>& denial);
    VLHTTPRequest sessionRequest(const VLURL& url, const std::string& method, const VLDictionary& options,
                                 double identifier, bool checksAddresses);

    // Listener calls.
    void fail(double identifier, std::string message);
    void failNow(double identifier, const std::string& message);
    // Runs the call now, or keeps it while the script holds the request paused; calls kept go first.
    void dispatch(double identifier, std::function<void()> call);
    void runHeldCalls(double identifier);
    void completeLocally(double identifier, long status, VLHTTPResponse::Headers headers,
                         std::optional<VLData> body);
    void deliverResponse(double identifier, const VLHTTPResponse& response);
    // Calls data with the ArrayBuffer made then.
    void deliverData(double identifier, const std::function<JSValueRef(JSContextRef ctx)>& makeBuffer);
    // Forgets the request, then calls complete with null or the error value.
    void finish(double identifier, const VLValue& error);
    // Calls the listener's function of that name, when it has one, with the argument made then.
    void callListener(VLJSProtectedValue listener, const char* name,
                      const std::function<JSValueRef(JSContextRef ctx)>& argument);
    // The same with the arguments made then.
    void callListenerWithArguments(VLJSProtectedValue listener, const char* name,
                                   const std::function<std::vector<JSValueRef>(JSContextRef ctx)>& arguments);
    // The bytes of an ArrayBuffer or a typed array; empty for anything else.
    static std::span<const uint8_t> bytesOf(JSContextRef ctx, JSValueRef value);

    // WebSocket connections; made on first use.
    const std::shared_ptr<VLWebSocketSession>& webSocketSession();
    VLNetworkSocket* socketWithIdentifier(double identifier);
    // The connection of a task; nothing when unknown.
    std::optional<double> socketIdentifierForTask(uint64_t taskIdentifier);
    void socketAddressCheckDidEnd(double identifier, const std::shared_ptr<VLWebSocketTask>& task,
                                  const std::optional<std::string>& denial);
    void socketSendDidEnd(double identifier, const std::shared_ptr<VLWebSocketTask>& task, double byteCount);
    // Reports a connection closed, once: forgets it, ends its task, then calls error (with a failure)
    // and close. Later reports find nothing.
    void _closeSocket(double identifier, int64_t code, const std::string& reason, bool wasClean,
                      const std::optional<std::string>& failure);

    // Broadcast channels (VLNetworkJSBindingChannels.cpp).
    // The runtime and the owners of its channel keys, read once: the launch sets them before scripts run.
    struct ChannelOwners {
        std::weak_ptr<VLRuntime> runtime;
        std::optional<std::string> package;
        std::optional<std::string> space;
    };
    const ChannelOwners& channelOwners();
    // "scope\nowner\nname"; nothing, with the failure text, for a scope that has no owner here.
    std::optional<std::string> _channelKeyForScope(const std::string& scope, const std::string& name,
                                                   std::string* failure);
    // Whether the runtime has a messaging package, without which it hears only its own posts.
    bool joinsBroadcastHub();
    // The binding or its runtime is ending.
    bool channelsHaveEnded();
    // Any thread: a batch of deliveries in a later turn, holding the engine's pending work till then.
    void scheduleBroadcasts();
    // Delivers, in order, what the backlog held at the start.
    void _deliverBroadcasts();
    void _deliverBroadcast(const std::shared_ptr<VLBroadcastMessage>& message, double sourceId,
                           double newestId);
    // Leaves the hub for every key and lets go of the listener.
    void leaveBroadcastChannels();

    // JavaScript thread.
    std::optional<ChannelOwners> _channelOwners;
    std::set<std::string> _channelKeys;
    // Protected while held, without keeping the context: the runtime's end must not wait for the binding.
    JSObjectRef _channelListener = nullptr;
    VLBroadcastAllowance _allowance;
    // Set by the first channelOpen, before the hub knows the binding; from then on read by any thread.
    Hop _channelHop;
    std::weak_ptr<VLJSEngine> _channelEngine;
    // Any thread.
    VLBroadcastBacklog _backlog;

    // JavaScript thread.
    std::map<double, std::unique_ptr<VLNetworkRequest>> _requests;
    std::map<uint64_t, double> _requestIdsByTask;
    std::map<double, std::unique_ptr<VLNetworkSocket>> _sockets;
    std::map<uint64_t, double> _socketIdsByTask;
    std::shared_ptr<VLWebSocketSession> _webSocketSession;
    std::shared_ptr<VLNetworkWebSocketDelegate> _webSocketDelegate;
    double _lastId = 0;
    std::shared_ptr<VLHTTPSession> _session;
    std::shared_ptr<VLNetworkSessionDelegate> _sessionDelegate;
    std::shared_ptr<VLNotificationCenter::Observer> _terminationObserver;
    JSGlobalContextRef _globalContext = nullptr;
    // Read by the hops on the JavaScript thread, and by tests.
    std::atomic<bool> _terminated{false};
};
