// The WebSocket connections of VLNetworkJSBinding: connect(), send(), bufferedAmount(), close(), and
// what the session reports of them.

#include "Modules/Network/VLNetworkJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/VLNetworkPolicy.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Network/VLNetworkError.h"
#include "Modules/Network/VLNetworkWebSocketDelegate.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Network/VLWebSocketSession.h"
#include "Platform/Network/VLWebSocketTask.h"

#include <glib.h>

#include <cmath>
#include <limits>

namespace {

JSValueRef socketRefusal(JSContextRef ctx, const char* name, const std::string& message) {
    return VLJSValueFromNSObject(ctx, VLDictionary{{"error", std::string(name)}, {"message", message}});
}

// The string entries of an array; nothing for anything else.
std::vector<std::string> socketProtocols(JSContextRef ctx, JSValueRef value) {
    std::vector<std::string> protocols;
    const VLValue list = VLJSValueToNSObject(ctx, value);
    if (!list.isArray())
        return protocols;
    for (const VLValue& entry : list.arrayValue()) {
        if (entry.isString())
            protocols.push_back(entry.stringValue());
    }
    return protocols;
}

// A number truncated towards zero, within the range of 64-bit integers; 0 for NaN.
int64_t socketCloseCode(double number) {
    if (std::isnan(number))
        return 0;
    constexpr double limit = 9.2e18;
    return int64_t(std::trunc(std::clamp(number, -limit, limit)));
}

} // namespace

const std::shared_ptr<VLWebSocketSession>& VLNetworkJSBinding::webSocketSession() {
    if (!_webSocketSession) {
        _webSocketDelegate = std::make_shared<VLNetworkWebSocketDelegate>(hop());
        _webSocketSession = VLWebSocketSession::create(
            VLStringWithFormat("%@.websocket", kVLReverseDomainPrefix), _webSocketDelegate);
    }
    return _webSocketSession;
}

VLNetworkSocket* VLNetworkJSBinding::socketWithIdentifier(double identifier) {
    const auto found = _sockets.find(identifier);
    return found == _sockets.end() ? nullptr : found->second.get();
}

std::optional<double> VLNetworkJSBinding::socketIdentifierForTask(uint64_t taskIdentifier) {
    const auto found = _socketIdsByTask.find(taskIdentifier);
    if (found == _socketIdsByTask.end() || !socketWithIdentifier(found->second))
        return std::nullopt;
    return found->second;
}

std::shared_ptr<VLWebSocketTask> VLNetworkJSBinding::taskForSocket(double identifier) {
    VLNetworkSocket* socket = socketWithIdentifier(identifier);
    return socket ? socket->task : nullptr;
}

JSValueRef VLNetworkJSBinding::connect(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    if (argc < 3 || !JSValueIsObject(ctx, argv[2]) || isTerminated())
        return JSValueMakeNull(ctx);
    const std::string text = VLJSValueTransformToNSString(ctx, argv[0]).value_or("");
    const std::optional<VLURL> url = VLNetworkURL(text);
    if (!url || url->host().value_or("").empty())
        return socketRefusal(ctx, "SyntaxError", VLStringWithFormat("Invalid URL: %@", text));
    std::string scheme = url->lowercaseScheme();
    if (scheme == "http" || scheme == "https")
        scheme = scheme == "http" ? "ws" : "wss";
    if (scheme != "ws" && scheme != "wss")
        return socketRefusal(ctx, "SyntaxError",
                             VLStringWithFormat("The URL's scheme must be \"ws\" or \"wss\", not \"%@\"",
                                                url->scheme().value_or("")));
    if (url->fragment())
        return socketRefusal(ctx, "SyntaxError", VLStringWithFormat("The URL can't have a fragment"));
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const std::optional<std::string> denial =
        runtime ? runtime->networkDenialForURL(*url) : VLStringWithFormat("The runtime is gone");
    if (denial)
        return socketRefusal(ctx, "SecurityError", VLNetworkDenialMessage(*url, *denial));

    const VLURL socketURL(scheme + text.substr(url->scheme()->size()));
    const bool checksAddresses = runtime->checksNetworkAddresses();
    VLWebSocketTask::ConnectionFilter filter;
    if (checksAddresses) {
        // The address actually connected to as well: a name that answers differently the second time
        // still cannot lead into the local network.
        filter = [denial = VLNetworkDenialMessage(socketURL, VLLocalNetworkAddressDenial(socketURL))](
                     const VLNetworkAddress& address) -> std::optional<std::string> {
            if (VLNetworkAddressIsLocal(address))
                return denial;
            return std::nullopt;
        };
    }
    std::shared_ptr<VLWebSocketTask> task =
        webSocketSession()->webSocketTask(socketURL, socketProtocols(ctx, argv[1]), std::move(filter));
    const double identifier = nextIdentifier();
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    std::shared_ptr<VLJSEngine> engine = bindingContext ? bindingContext->engine() : nullptr;
    _sockets.emplace(identifier,
                     std::make_unique<VLNetworkSocket>(task, VLJSProtectedValue(ctx, argv[2]), socketURL,
                                                       engine ? engine->beginPendingWork() : nullptr));
    _socketIdsByTask[task->taskIdentifier()] = identifier;
    if (checksAddresses) {
        runtime->checkNetworkAddressOfURL(socketURL, [weakSelf = std::weak_ptr(sharedFromThis()), identifier,
                                                      task](const std::optional<std::string>& denial) {
            std::shared_ptr<VLNetworkJSBinding> self = weakSelf.lock();
            if (self && !self->isTerminated())
                self->socketAddressCheckDidEnd(identifier, task, denial);
        });
    } else {
        task->resume();
    }
    return VLJSValueFromNSObject(ctx, VLDictionary{{"id", identifier}, {"url", socketURL.absoluteString()}});
}

void VLNetworkJSBinding::socketAddressCheckDidEnd(double identifier,
                                                  const std::shared_ptr<VLWebSocketTask>& task,
                                                  const std::optional<std::string>& denial) {
    VLNetworkSocket* socket = socketWithIdentifier(identifier);
    if (!socket || socket->task != task)
        return;
    if (denial)
        _closeSocket(identifier, 1006, "", false, VLNetworkDenialMessage(socket->URL, *denial));
    else
        task->resume();
}

JSValueRef VLNetworkJSBinding::send(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    const double identifier = argc > 0 ? VLJSValueToNumberFast(ctx, argv[0]) : 0;
    VLNetworkSocket* socket = socketWithIdentifier(identifier);
    if (!socket || !socket->opened)
        return nullptr;
    VLWebSocketMessage message;
    if (argc > 1 && JSValueIsString(ctx, argv[1])) {
        const std::string text = VLJSValueToNSString(ctx, argv[1]).value_or("");
        message.isText = true;
        message.data.assign(text.begin(), text.end());
    } else if (argc > 1) {
        const std::span<const uint8_t> bytes = bytesOf(ctx, argv[1]);
        message.data.assign(bytes.begin(), bytes.end());
    }
    const double byteCount = double(message.data.size());
    socket->bufferedAmount += byteCount;
    // In turn with the messages received, so that a busy connection wakes this thread once per batch.
    socket->task->send(std::move(message), [delegate = std::weak_ptr(_webSocketDelegate), identifier,
                                            task = socket->task, byteCount](const VLErrorRef&) {
        if (std::shared_ptr<VLNetworkWebSocketDelegate> strong = delegate.lock()) {
            strong->perform([identifier, task, byteCount](VLNetworkJSBinding& binding) {
                binding.socketSendDidEnd(identifier, task, byteCount);
            });
        }
    });
    return nullptr;
}

void VLNetworkJSBinding::socketSendDidEnd(double identifier, const std::shared_ptr<VLWebSocketTask>& task,
                                          double byteCount) {
    VLNetworkSocket* socket = socketWithIdentifier(identifier);
    if (socket && socket->task == task)
        socket->bufferedAmount = std::max(0.0, socket->bufferedAmount - byteCount);
}

JSValueRef VLNetworkJSBinding::bufferedAmount(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                              JSValueRef*) {
    VLNetworkSocket* socket = argc > 0 && JSValueIsNumber(ctx, argv[0])
                                  ? socketWithIdentifier(JSValueToNumber(ctx, argv[0], nullptr))
                                  : nullptr;
    return JSValueMakeNumber(ctx, socket ? socket->bufferedAmount : 0);
}

JSValueRef VLNetworkJSBinding::close(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    VLNetworkSocket* socket = socketWithIdentifier(argc > 0 ? VLJSValueToNumberFast(ctx, argv[0]) : 0);
    if (!socket || socket->closing)
        return nullptr;
    socket->closing = true;
    socket->closeCode = argc > 1 && JSValueIsNumber(ctx, argv[1])
                            ? socketCloseCode(JSValueToNumber(ctx, argv[1], nullptr))
                            : 1000;
    socket->closeReason =
        argc > 2 && JSValueIsString(ctx, argv[2]) ? VLJSValueToNSString(ctx, argv[2]).value_or("") : "";
    socket->task->cancel(socket->closeCode, socket->closeReason);
    return nullptr;
}

// What the session reports

void VLNetworkJSBinding::socketDidOpen(uint64_t taskIdentifier, const std::string& protocol) {
    const std::optional<double> identifier = socketIdentifierForTask(taskIdentifier);
    VLNetworkSocket* socket = identifier ? socketWithIdentifier(*identifier) : nullptr;
    if (!socket || socket->opened)
        return;
    socket->opened = true;
    callListenerWithArguments(socket->listener, "open", [&](JSContextRef ctx) {
        return std::vector<JSValueRef>{VLJSValueFromNSString(ctx, protocol), VLJSValueFromNSString(ctx, "")};
    });
}

void VLNetworkJSBinding::socketDidReceiveMessage(const std::shared_ptr<VLWebSocketTask>& task,
                                                 VLWebSocketMessage message) {
    const size_t byteCount = message.data.size();
    const std::optional<double> identifier = socketIdentifierForTask(task->taskIdentifier());
    if (VLNetworkSocket* socket = identifier ? socketWithIdentifier(*identifier) : nullptr) {
        callListener(socket->listener, "message", [&](JSContextRef ctx) -> JSValueRef {
            if (message.isText)
                return VLJSValueFromNSString(ctx, std::string(message.data.begin(), message.data.end()));
            if (message.data.empty())
                return JSValueMakeNull(ctx);
            return VLJSValueFromNSDataNoCopy(ctx, std::move(message.data));
        });
    }
    task->consumeReceivedBytes(byteCount);
}

void VLNetworkJSBinding::socketDidReceiveClose(uint64_t taskIdentifier, uint16_t code,
                                               const std::string& reason) {
    if (const std::optional<double> identifier = socketIdentifierForTask(taskIdentifier)) {
        const bool decodable = g_utf8_validate(reason.data(), gssize(reason.size()), nullptr);
        _closeSocket(*identifier, code, decodable ? reason : "", true, std::nullopt);
    }
}

void VLNetworkJSBinding::socketDidComplete(uint64_t taskIdentifier, const VLErrorRef& error) {
    const std::optional<double> identifier = socketIdentifierForTask(taskIdentifier);
    VLNetworkSocket* socket = identifier ? socketWithIdentifier(*identifier) : nullptr;
    if (!socket)
        return;
    if (socket->closing && socket->opened) {
        const int64_t code = socket->closeCode;
        const std::string reason = socket->closeReason;
        _closeSocket(*identifier, code, reason, true, std::nullopt);
        return;
    }
    std::string failure = error ? error->localizedDescription() : "";
    if (failure.empty())
        failure = VLStringWithFormat("The connection was closed");
    _closeSocket(*identifier, 1006, "", false, failure);
}

void VLNetworkJSBinding::_closeSocket(double identifier, int64_t code, const std::string& reason,
                                      bool wasClean, const std::optional<std::string>& failure) {
    const auto found = _sockets.find(identifier);
    if (found == _sockets.end())
        return;
    // Forgotten first, so that whatever the calls below do, this connection is reported once.
    const std::unique_ptr<VLNetworkSocket> socket = std::move(found->second);
    _sockets.erase(found);
    _socketIdsByTask.erase(socket->task->taskIdentifier());
    socket->task->cancel();
    if (failure) {
        callListener(socket->listener, "error",
                     [&](JSContextRef ctx) { return VLJSValueFromNSString(ctx, *failure); });
    }
    callListenerWithArguments(socket->listener, "close", [&](JSContextRef ctx) {
        return std::vector<JSValueRef>{JSValueMakeNumber(ctx, double(code)),
                                       VLJSValueFromNSString(ctx, reason), JSValueMakeBoolean(ctx, wasClean)};
    });
}
