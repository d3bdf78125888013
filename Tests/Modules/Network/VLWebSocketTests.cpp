#include "Platform/Foundation/VLMainQueue.h"
#include "Tests/Modules/Network/VLNetworkTestWidget.h"
#include "Tests/Support/VLTableHostResolver.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLWebSocketTestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Behaviour = VLWebSocketTestServer::Behaviour;

// `watch(name, socket)` prints every event of the socket as "name TYPE DETAIL STATE": the protocol and
// extensions for open, the kind and size of a message's data, the code, reason and wasClean of close.
// `attempt(expression)` gives "NAME: MESSAGE" of what the expression throws, or "no throw".
constexpr const char* kWebSocketWatcher = R"(
globalThis.watch = (name, socket) => {
    const detail = e => {
        if (e.type === 'open')
            return JSON.stringify(socket.protocol) + ' ' + JSON.stringify(socket.extensions);
        if (e.type === 'close')
            return [e.code, JSON.stringify(e.reason), e.wasClean].join(' ');
        if (e.type !== 'message')
            return '-';
        const data = e.data;
        if (typeof data === 'string')
            return 'text ' + data;
        return (data instanceof Blob ? 'blob ' + data.size : 'buffer ' + data.byteLength) + ' ' + e.origin;
    };
    for (const type of ['open', 'message', 'error', 'close'])
        socket.addEventListener(type, e => console.log(name, type, detail(e), socket.readyState));
    return socket;
};
globalThis.attempt = f => { try { f(); return 'no throw'; } catch (e) { return e.name + ': ' + e.message; } };
)";

std::string jsQuoted(const std::string& text) {
    return "'" + text + "'";
}

struct WebSocketWidget : VLNetworkTestWidget {
    explicit WebSocketWidget(const VLTestWidget::Configure& configure = VLNetworkAccess())
        : VLNetworkTestWidget(configure, {}, Scripts::prelude) {
        run(kWebSocketWatcher);
    }
    // The lines of the socket named once its close event has come.
    Lines closed(const std::string& name) {
        if (!waitForCall(name, "close "))
            return {"no close"};
        return calls(name);
    }
};

} // namespace

TEST(VLWebSocket, EventsCarryTextBuffersAndBlobsAndSendsKeepTheirOrder) {
    VLWebSocketTestServer server({.subprotocol = "chat"});
    WebSocketWidget widget;
    const std::string url = server.url("/echo");
    std::string httpURL = url;
    httpURL.replace(0, 2, "http");

    widget.run(
        "w = watch('w', new WebSocket(" + jsQuoted(httpURL) +
        ", ['x', 'chat'])); "
        "w.onopen = () => console.log('w', 'onopen'); w.onclose = () => console.log('w', 'onclose'); "
        "console.log('w', 'made', w.url, w.readyState, w.binaryType, w.protocol === '', w.bufferedAmount)");
    ASSERT_TRUE(widget.waitForCall("w", "onopen"));
    EXPECT_EQ(server.offeredProtocols(), "x, chat");

    // Blob and buffer echoes as Blobs (the default), then as buffers; a Blob goes out in its turn.
    widget.run("w.binaryType = 'text'; console.log('w', 'type', w.binaryType); "
               "w.send('héllo'); w.send(new Blob(['a', new Uint8Array([98])])); "
               "w.send(new Uint8Array([1, 2, 3]).subarray(1)); w.send(new ArrayBuffer(0)); w.send(42)");
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.calls("w").size() == 9; }));
    widget.run("w.binaryType = 'arraybuffer'; w.send(new DataView(new ArrayBuffer(3))); w.send(new Blob())");
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.calls("w").size() == 11; }));
    EXPECT_EQ(server.messages(), (Lines{"t:héllo", "b:ab", std::string("b:\x02\x03", 4), "b:", "t:42",
                                        std::string("b:\0\0\0", 5), "b:"}));

    widget.run("w.close(4000, 'bye'); console.log('w', 'closing', w.readyState); "
               "w.send('late'); w.close()");
    const std::string origin = "ws://127.0.0.1:" + std::to_string(server.port());
    ASSERT_TRUE(widget.waitForCall("w", "onclose"));
    EXPECT_EQ(
        widget.calls("w"),
        (Lines{"made " + url + " 0 blob true 0", "open \"chat\" \"\" 1", "onopen", "type blob",
               "message text héllo 1", "message blob 2 " + origin + " 1", "message blob 2 " + origin + " 1",
               "message blob 0 " + origin + " 1", "message text 42 1", "message buffer 3 " + origin + " 1",
               "message buffer 0 " + origin + " 1", "closing 2", "close 4000 \"bye\" true 3", "onclose"}));
    // The server notes the close frame only after answering it.
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return !server.closeFrames().empty(); }));
    EXPECT_EQ(server.closeFrames(), (std::vector<VLWebSocketTestServer::CloseFrame>{{4000, "bye"}}));
    EXPECT_EQ(server.messages().size(), 7u);
    EXPECT_EQ(widget.text("[w.readyState, w.bufferedAmount, WebSocket.CLOSING, w.OPEN, String(w)].join()"),
              "3,0,2,1,[object WebSocket]");
}

TEST(VLWebSocket, RefusalsAndMisuseThrowDOMExceptions) {
    VLScopedTableHostResolver resolver;
    auto hold = std::make_shared<VLTestSignal>();
    resolver->holdLookups("held.test", hold);
    WebSocketWidget widget;
    WebSocketWidget denied(VLTestWidget::Configure{});
    // A name that takes its time keeps the socket connecting.
    widget.run("c = new WebSocket('ws://held.test/')");

    struct Case {
        std::string expression;
        std::string thrown;
    };
    const Case cases[] = {
        {"new WebSocket()", "TypeError: WebSocket: 1 argument required, but only 0 present"},
        {"new WebSocket('')", "SyntaxError: Invalid URL: "},
        {"new WebSocket('ftp://h/')", "SyntaxError: The URL's scheme must be \"ws\" or \"wss\", not \"ftp\""},
        {"new WebSocket('ws://h/x#')", "SyntaxError: The URL can't have a fragment"},
        {"new WebSocket('ws://h/', ['a', 'a'])",
         "SyntaxError: WebSocket: the subprotocol \"a\" is offered twice"},
        {"new WebSocket('ws://h/', 'a\\r\\nX: 1')",
         "SyntaxError: WebSocket: \"a\r\nX: 1\" is not a valid subprotocol"},
        {"c.send('x')", "InvalidStateError: WebSocket.send: the connection is not open yet"},
        {"c.send()", "TypeError: WebSocket.send: 1 argument required, but only 0 present"},
        {"c.close(1001)",
         "InvalidAccessError: WebSocket.close: the code must be 1000 or between 3000 and 4999, not 1001"},
        {"c.close(5000, 'x')",
         "InvalidAccessError: WebSocket.close: the code must be 1000 or between 3000 and 4999, not 5000"},
        {"c.close(1000, 'x'.repeat(124))",
         "SyntaxError: WebSocket.close: the reason is longer than 123 bytes"},
        {"c.close(3000, 'é'.repeat(62))",
         "SyntaxError: WebSocket.close: the reason is longer than 123 bytes"},
        {"WebSocket.prototype.send.call({}, 'x')", "TypeError: Illegal invocation"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(widget.text("attempt(() => " + c.expression + ")"), c.thrown) << c.expression;
    EXPECT_EQ(widget.text("c.readyState"), "0");
    hold->raise();
    EXPECT_EQ(denied.text("attempt(() => new WebSocket('ws://h/'))"),
              "SecurityError: Can't reach ws://h/: network access needs the \"network\" permission in "
              "manifest.json");
}

// However a connection ends, the script hears it once: error (when it failed), then close.
TEST(VLWebSocket, EveryEndReachesTheScriptAsErrorAndCloseOrACleanClose) {
    VLWebSocketTestServer refusing({.behaviour = Behaviour::refuse, .refusalStatus = 403});
    VLWebSocketTestServer closing({.behaviour = Behaviour::close, .closeCode = 4001, .closeReason = "done"});
    VLWebSocketTestServer echo;
    VLScopedTableHostResolver resolver;
    resolver->answer("checked.test", {"203.0.113.7"});
    resolver->answer("unchecked.test", {"127.0.0.1"});
    auto hold = std::make_shared<VLTestSignal>();
    resolver->holdLookups("checked.test", hold);
    resolver->holdLookups("unchecked.test", hold);
    WebSocketWidget widget;
    WebSocketWidget checking(VLNetworkAccess({{"checked.test"}}));

    widget.run("r = watch('r', new WebSocket(" + jsQuoted(refusing.url("/")) + "))");
    EXPECT_EQ(widget.closed("r"), (Lines{"error - 3", "close 1006 \"\" false 3"}));
    widget.run("s = watch('s', new WebSocket(" + jsQuoted(closing.url("/")) + "))");
    EXPECT_EQ(widget.closed("s"), (Lines{"open \"\" \"\" 1", "close 4001 \"done\" true 3"}));

    // close() before the connection has started, while its address is checked or its name resolved:
    // it fails at once and never starts.
    const std::pair<WebSocketWidget*, std::string> owners[] = {{&checking, "checked.test"},
                                                               {&widget, "unchecked.test"}};
    for (const auto& [owner, host] : owners) {
        const std::string port = std::to_string(echo.port());
        owner->run("e = watch('e', new WebSocket('ws://" + host + ":" + port +
                   "/')); e.close(); console.log('e', 'closing', e.readyState)");
        EXPECT_EQ(owner->closed("e"), (Lines{"closing 2", "error - 3", "close 1006 \"\" false 3"})) << host;
    }
    hold->raise();
    checking.widget().settle();
    // A connection that started after all would have reached the echo server as well as this one.
    widget.run("f = watch('f', new WebSocket(" + jsQuoted(echo.url("/")) + ")); f.onopen = () => f.close()");
    EXPECT_EQ(widget.closed("f"), (Lines{"open \"\" \"\" 1", "close 1000 \"\" true 3"}));
    EXPECT_EQ(widget.calls("e").size(), 3u);
    EXPECT_EQ(checking.calls("e").size(), 3u);
    EXPECT_EQ(echo.connectionCount(), 1);
}
