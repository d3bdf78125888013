// The request road of VLNetworkJSBinding: request(), loading by scheme, and the listener's calls.

#include "Modules/Network/VLNetworkJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Support/VLFileMIMEType.h"
#include "Core/Runtime/VLBlobURLStore.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLNetworkPolicy.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Network/VLNetworkError.h"
#include "Modules/Network/VLNetworkRequest.h"
#include "Modules/Network/VLNetworkStatusText.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Platform/Network/VLHTTPRequest.h"
#include "Platform/Network/VLHTTPSession.h"

namespace {

std::string stringOption(const VLDictionary& options, std::string_view key, std::string fallback) {
    const VLValue& value = options.get(key);
    return value.isString() ? value.stringValue() : fallback;
}

VLHTTPRequest::CachePolicy cachePolicyFor(const std::string& mode) {
    using Policy = VLHTTPRequest::CachePolicy;
    if (mode == "no-store" || mode == "reload" || mode == "no-cache")
        return Policy::reloadIgnoringCacheData;
    if (mode == "force-cache")
        return Policy::returnCacheDataElseLoad;
    if (mode == "only-if-cached")
        return Policy::returnCacheDataDontLoad;
    return Policy::useProtocolCachePolicy;
}

// A string is sent as its UTF-8 bytes, bytes as they are; anything else sends nothing.
std::shared_ptr<const VLData> bodyOption(const VLValue& body) {
    if (body.isString())
        return std::make_shared<const VLData>(body.stringValue().begin(), body.stringValue().end());
    if (body.isData())
        return std::make_shared<const VLData>(body.dataValue());
    return nullptr;
}

VLValue responseValue(long status, const std::string& url, bool redirected,
                      const VLHTTPResponse::Headers& headers) {
    VLArray pairs;
    pairs.reserve(headers.size());
    for (const auto& [name, value] : headers)
        pairs.emplace_back(VLArray{name, value});
    return VLDictionary{{"status", status},
                        {"statusText", VLNetworkStatusText(status)},
                        {"url", url},
                        {"redirected", redirected},
                        {"headers", std::move(pairs)}};
}

// A full block becomes the buffer itself; a smaller piece is copied out, so that a slow stream of small
// pieces holds no more memory than its bytes while the collector keeps its buffers.
JSValueRef arrayBufferOfPiece(JSContextRef ctx, VLNetworkBodyBuffers::Piece& piece) {
    if (piece.length() < VLNetworkBodyBuffers::kBlockSize / 2)
        return VLJSValueFromNSDataNoCopy(ctx, VLData(piece.bytes(), piece.bytes() + piece.length()));
    const size_t length = piece.length();
    uint8_t* block = piece.release();
    auto giveBack = [](void* bytes, void*) { VLNetworkBodyBuffers::giveBack(static_cast<uint8_t*>(bytes)); };
    JSObjectRef buffer =
        JSObjectMakeArrayBufferWithBytesNoCopy(ctx, block, length, giveBack, nullptr, nullptr);
    if (!buffer)
        VLNetworkBodyBuffers::giveBack(block);
    return buffer;
}

// The fields of a body read from a file or an object URL.
VLHTTPResponse::Headers localHeaders(size_t length, const std::string& type) {
    VLHTTPResponse::Headers headers{{"Content-Length", std::to_string(length)}};
    if (!type.empty())
        headers.emplace_back("Content-Type", type);
    return headers;
}

} // namespace

JSValueRef VLNetworkJSBinding::request(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
    if (argc < 2 || !JSValueIsObject(ctx, argv[0]) || !JSValueIsObject(ctx, argv[1]) || isTerminated())
        return JSValueMakeNull(ctx);
    const VLValue options = VLJSValueToNSObject(ctx, argv[0]);
    if (!options.isDictionary())
        return JSValueMakeNull(ctx);
    const VLDictionary& fields = options.dictionaryValue();
    const std::string text = stringOption(fields, "url", "");
    const std::string method = stringOption(fields, "method", "GET");
    const double identifier = nextIdentifier();
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    std::shared_ptr<VLJSEngine> engine = bindingContext ? bindingContext->engine() : nullptr;
    const auto [entry, added] = _requests.emplace(
        identifier, std::make_unique<VLNetworkRequest>(VLJSProtectedValue(ctx, argv[1]), VLNetworkURL(text),
                                                       stringOption(fields, "redirect", "follow"),
                                                       engine ? engine->beginPendingWork() : nullptr));
    const std::optional<VLURL>& url = entry->second->URL;
    const JSValueRef result = JSValueMakeNumber(ctx, identifier);
    if (!url) {
        fail(identifier, VLStringWithFormat("Invalid URL: %@", text));
        return result;
    }
    const std::string scheme = url->lowercaseScheme();
    if (scheme.empty() || scheme == kVLFileSystemSandboxScheme) {
        loadFile(identifier, *url, method);
    } else if (scheme == "blob") {
        loadObjectURL(identifier, *url, method);
    } else if (scheme == "data") {
        // Data in the URL itself reaches no network: no policy applies.
        loadThroughSession(identifier, *url, sessionRequest(*url, method, fields, identifier, false));
    } else if (scheme == "http" || scheme == "https") {
        const std::shared_ptr<VLRuntime> runtime = this->runtime();
        const std::optional<std::string> denial =
            runtime ? runtime->networkDenialForURL(*url) : VLStringWithFormat("The runtime is gone");
        if (denial)
            fail(identifier, VLNetworkDenialMessage(*url, *denial));
        else
            loadThroughSession(
                identifier, *url,
                sessionRequest(*url, method, fields, identifier, runtime->checksNetworkAddresses()));
    } else {
        fail(identifier,
             VLStringWithFormat("URL scheme \"%@\" is not supported", url->scheme().value_or("")));
    }
    return result;
}

// Loading

void VLNetworkJSBinding::loadFile(double identifier, const VLURL& url, const std::string& method) {
    if (method != "GET" && method != "HEAD") {
        fail(identifier, VLStringWithFormat("Only GET and HEAD can read files, not %@", method));
        return;
    }
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const std::shared_ptr<VLFileSystemManager> manager = runtime ? runtime->fileSystemManager() : nullptr;
    if (!manager) {
        fail(identifier, VLStringWithFormat("The runtime is gone"));
        return;
    }
    // A file that can't be read is missing: a 404, whatever the reason.
    manager->async([hop = hop(), identifier, url, head = method == "HEAD"](VLFileSystemManager& manager) {
        VLErrorRef error;
        const VLFile file = manager.fileAtURL(url, &error);
        std::optional<VLData> data = file.path && !error ? manager.contentsAtURL(url) : std::nullopt;
        const std::string type = data ? VLFileMIMETypeWithAbsolutePath(*file.path) : "";
        hop.later([identifier, data = std::move(data), type, head](VLNetworkJSBinding& binding) mutable {
            if (!data) {
                binding.completeLocally(identifier, 404, {}, std::nullopt);
                return;
            }
            VLHTTPResponse::Headers headers = localHeaders(data->size(), type);
            binding.completeLocally(identifier, 200, std::move(headers),
                                    head ? std::nullopt : std::optional(std::move(*data)));
        });
    });
}

void VLNetworkJSBinding::loadObjectURL(double identifier, const VLURL& url, const std::string& method) {
    if (method != "GET") {
        fail(identifier, VLStringWithFormat("Only GET can read blob URLs, not %@", method));
        return;
    }
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const std::shared_ptr<VLBlobURLStore> store = runtime ? runtime->blobURLStore() : nullptr;
    std::optional<std::string> type;
    std::shared_ptr<const VLData> data = store ? store->dataForURL(url.absoluteString(), &type) : nullptr;
    if (!data) {
        fail(identifier, VLStringWithFormat("Blob URL not found: %@", url.absoluteString()));
        return;
    }
    hop().later([identifier, data = std::move(data), type = type.value_or("")](VLNetworkJSBinding& binding) {
        binding.completeLocally(identifier, 200, localHeaders(data->size(), type), *data);
    });
}

VLHTTPRequest VLNetworkJSBinding::sessionRequest(const VLURL& url, const std::string& method,
                                                 const VLDictionary& options, double identifier,
                                                 bool checksAddresses) {
    VLHTTPRequest request(url);
    request.method = method;
    for (const VLValue& pair : options.get("headers").arrayValue()) {
        if (pair.count() == 2 && pair[size_t(0)].isString() && pair[size_t(1)].isString())
            request.setHeader(pair[size_t(0)].stringValue(), pair[size_t(1)].stringValue());
    }
    request.body = bodyOption(options.get("body"));
    request.followsRedirects = stringOption(options, "redirect", "follow") == "follow";
    request.cachePolicy = cachePolicyFor(stringOption(options, "cache", ""));
    request.maximumUnconsumedBodyBytes = kMaximumBodyBytesInFlight;
    if (checksAddresses) {
        // Every connection, of every hop: a name that answers differently the second time still
        // cannot lead into the local network.
        request.connectionFilter = [hop = hop(), identifier](const VLURL& url,
                                                             const VLNetworkAddress& address) {
            if (!VLNetworkAddressIsLocal(address))
                return true;
            hop.now([identifier, denial = VLNetworkDenialMessage(url, VLLocalNetworkAddressDenial(url))](
                        VLNetworkJSBinding& binding) { binding.requestWasDenied(identifier, denial); });
            return false;
        };
    }
    return request;
}

void VLNetworkJSBinding::loadThroughSession(double identifier, const VLURL& url, VLHTTPRequest request) {
    VLNetworkRequest* record = requestWithIdentifier(identifier);
    if (!record)
        return;
    const bool checksAddress = bool(request.connectionFilter);
    std::shared_ptr<VLHTTPDataTask> task = session()->dataTaskWithRequest(std::move(request));
    record->task = task;
    _requestIdsByTask[task->taskIdentifier()] = identifier;
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (!checksAddress || !runtime) {
        task->resume();
        return;
    }
    record->checkingAddress = true;
    runtime->checkNetworkAddressOfURL(url, [weakSelf = std::weak_ptr(sharedFromThis()), identifier,
                                            task](const std::optional<std::string>& denial) {
        std::shared_ptr<VLNetworkJSBinding> self = weakSelf.lock();
        if (self && !self->isTerminated())
            self->addressCheckDidEnd(identifier, task, denial);
    });
}

void VLNetworkJSBinding::addressCheckDidEnd(double identifier, const std::shared_ptr<VLHTTPDataTask>& task,
                                            const std::optional<std::string>& denial) {
    VLNetworkRequest* request = requestWithIdentifier(identifier);
    if (!request || request->task != task)
        return;
    request->checkingAddress = false;
    if (denial) {
        cancelTask(*request);
        fail(identifier, VLNetworkDenialMessage(*request->URL, *denial));
        return;
    }
    // A pause that came during the check holds: the script's resume starts the task.
    if (!request->paused)
        task->resume();
}

void VLNetworkJSBinding::requestWasDenied(double identifier, std::string denial) {
    VLNetworkRequest* request = requestWithIdentifier(identifier);
    if (request && !request->denial)
        request->denial = std::move(denial);
}

// What the session reports

void VLNetworkJSBinding::taskDidReceiveResponse(uint64_t taskIdentifier, VLHTTPResponse response) {
    if (const std::optional<double> identifier = requestIdentifierForTask(taskIdentifier)) {
        dispatch(*identifier, [this, identifier = *identifier, response = std::move(response)] {
            deliverResponse(identifier, response);
        });
    }
}

void VLNetworkJSBinding::taskDidReceiveData(const std::shared_ptr<VLHTTPDataTask>& task,
                                            std::shared_ptr<VLNetworkBodyBuffers::Piece> piece) {
    const std::optional<double> identifier = requestIdentifierForTask(task->taskIdentifier());
    if (!identifier) {
        task->consumeBody(piece->length());
        return;
    }
    // The bytes count as on their way until the listener has had them.
    dispatch(*identifier, [this, identifier = *identifier, task, piece = std::move(piece)] {
        deliverData(identifier, [&](JSContextRef ctx) { return arrayBufferOfPiece(ctx, *piece); });
        task->consumeBody(piece->length());
    });
}

void VLNetworkJSBinding::taskDidComplete(uint64_t taskIdentifier, const VLErrorRef& error) {
    const std::optional<double> identifier = requestIdentifierForTask(taskIdentifier);
    if (!identifier)
        return;
    VLValue failure;
    if (error) {
        const VLNetworkRequest* request = requestWithIdentifier(*identifier);
        std::string message = request->denial ? *request->denial : error->localizedDescription();
        if (message.empty())
            message = VLStringWithFormat("Network request failed");
        failure = VLNetworkError("TypeError", message);
    }
    dispatch(*identifier, [this, identifier = *identifier, failure] { finish(identifier, failure); });
}

// Listener calls

void VLNetworkJSBinding::fail(double identifier, std::string message) {
    hop().later([identifier, message = std::move(message)](VLNetworkJSBinding& binding) {
        binding.failNow(identifier, message);
    });
}

void VLNetworkJSBinding::failNow(double identifier, const std::string& message) {
    dispatch(identifier,
             [this, identifier, message] { finish(identifier, VLNetworkError("TypeError", message)); });
}

void VLNetworkJSBinding::dispatch(double identifier, std::function<void()> call) {
    VLNetworkRequest* request = requestWithIdentifier(identifier);
    if (!request)
        return;
    if (request->paused || !request->heldCalls.empty())
        request->heldCalls.push_back(std::move(call));
    else
        call();
}

void VLNetworkJSBinding::runHeldCalls(double identifier) {
    for (;;) {
        VLNetworkRequest* request = requestWithIdentifier(identifier);
        if (!request || request->paused || request->heldCalls.empty())
            return;
        std::function<void()> call = std::move(request->heldCalls.front());
        request->heldCalls.pop_front();
        call();
    }
}

void VLNetworkJSBinding::completeLocally(double identifier, long status, VLHTTPResponse::Headers headers,
                                         std::optional<VLData> body) {
    dispatch(identifier, [this, identifier, status, headers = std::move(headers)] {
        if (VLNetworkRequest* request = requestWithIdentifier(identifier)) {
            callListener(request->listener, "response", [&](JSContextRef ctx) {
                return VLJSValueFromNSObject(
                    ctx, responseValue(status, request->URL->absoluteString(), false, headers));
            });
        }
    });
    if (body && !body->empty()) {
        dispatch(identifier, [this, identifier, body = std::make_shared<VLData>(std::move(*body))] {
            deliverData(identifier,
                        [&](JSContextRef ctx) { return VLJSValueFromNSDataNoCopy(ctx, std::move(*body)); });
        });
    }
    dispatch(identifier, [this, identifier] { finish(identifier, VLValue()); });
}

void VLNetworkJSBinding::deliverResponse(double identifier, const VLHTTPResponse& response) {
    VLNetworkRequest* request = requestWithIdentifier(identifier);
    if (!request)
        return;
    long status = 200;
    VLHTTPResponse::Headers headers;
    if (response.isHTTP()) {
        status = response.statusCode();
        headers = response.headers();
        if (status >= 300 && status <= 399 && response.valueForHeader("Location") &&
            request->redirect == "error") {
            cancelTask(*request);
            finish(identifier, VLNetworkError("TypeError",
                                              VLStringWithFormat("The response redirected, but the request's "
                                                                 "redirect mode is \"error\"")));
            return;
        }
    } else if (response.MIMEType()) {
        const std::optional<std::string>& charset = response.textEncodingName();
        headers.emplace_back("Content-Type", *response.MIMEType() + (charset ? ";charset=" + *charset : ""));
    }
    callListener(request->listener, "response", [&](JSContextRef ctx) {
        const std::string& asked = request->URL ? request->URL->absoluteString() : "";
        const std::string& url =
            response.url().absoluteString().empty() ? asked : response.url().absoluteString();
        return VLJSValueFromNSObject(ctx, responseValue(status, url, url != asked, headers));
    });
}

void VLNetworkJSBinding::deliverData(double identifier,
                                     const std::function<JSValueRef(JSContextRef ctx)>& makeBuffer) {
    if (VLNetworkRequest* request = requestWithIdentifier(identifier))
        callListener(request->listener, "data", makeBuffer);
}

void VLNetworkJSBinding::finish(double identifier, const VLValue& error) {
    VLNetworkRequest* request = requestWithIdentifier(identifier);
    if (!request)
        return;
    const VLJSProtectedValue listener = std::move(request->listener);
    forgetRequest(identifier);
    callListener(listener, "complete", [&](JSContextRef ctx) { return VLJSValueFromNSObject(ctx, error); });
}

// The listener is copied: the call may abort the request, which lets go of the request's copy.
void VLNetworkJSBinding::callListener(VLJSProtectedValue listener, const char* name,
                                      const std::function<JSValueRef(JSContextRef ctx)>& makeArgument) {
    callListenerWithArguments(std::move(listener), name,
                              [&](JSContextRef ctx) { return std::vector<JSValueRef>{makeArgument(ctx)}; });
}

void VLNetworkJSBinding::callListenerWithArguments(
    VLJSProtectedValue listener, const char* name,
    const std::function<std::vector<JSValueRef>(JSContextRef ctx)>& makeArguments) {
    JSContextRef ctx = listener.context();
    JSObjectRef object = listener.object();
    JSObjectRef function = object ? VLJSFunctionFromProperty(ctx, object, name) : nullptr;
    if (!function)
        return;
    const std::vector<JSValueRef> arguments = makeArguments(ctx);
    JSValueRef exception = nullptr;
    JSObjectCallAsFunction(ctx, function, object, arguments.size(), arguments.data(), &exception);
    if (exception)
        VLJSBindingHandleJSException(this, exception);
}
