#include "Modules/Network/VLNetworkJSBinding.h"

#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Network/VLWebSocketSession.h"
#include "Platform/Network/VLWebSocketTask.h"
#include "Tests/Modules/Network/VLNetworkTestWidget.h"
#include "Tests/Support/VLTableHostResolver.h"
#include "Tests/Support/VLTestCertificate.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLWebSocketTestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using WSServer = VLWebSocketTestServer;
using Behaviour = VLWebSocketTestServer::Behaviour;

// `socket(name, url, protocols)` connects with a listener that prints each call as "name open …",
// "name message text N TEXT" / "binary N" / "null", "name error TEXT" and "name close CODE REASON CLEAN".
constexpr const char* kSocketScript = R"(
globalThis.socket = (name, url, protocols) => native.connect(url, protocols, {
    open(protocol, extensions) { console.log(name, 'open', JSON.stringify(protocol), JSON.stringify(extensions)); },
    message(m) {
        console.log(name, 'message', m === null ? 'null' : typeof m === 'string'
            ? 'text ' + m.length + ' ' + m.slice(0, 32) : 'binary ' + m.byteLength);
    },
    error(text) { console.log(name, 'error', text); },
    close(code, reason, clean) { console.log(name, 'close', code, JSON.stringify(reason), clean); },
});
globalThis.open = (name, url, protocols) => { const r = socket(name, url, protocols); globalThis[name] = r.id; return r; };
)";

std::string jsText(const std::string& text) {
    return "'" + text + "'";
}

struct SocketWidget : VLNetworkTestWidget {
    explicit SocketWidget(const VLTestWidget::Configure& configure = VLNetworkAccess())
        : VLNetworkTestWidget(configure) {
        run(kSocketScript);
    }
    // Connects under the name and waits for its open.
    bool opened(const std::string& name, const std::string& url, const std::string& protocols = "[]") {
        run("open('" + name + "', " + jsText(url) + ", " + protocols + ")");
        return waitForCall(name, "open ");
    }
    // Waits for the close of the connection named, and gives its line.
    std::string closed(const std::string& name) {
        if (!waitForCall(name, "close "))
            return "no close";
        return calls(name).back();
    }
};

} // namespace

TEST(VLNetworkWebSocket, ConnectReturnsTheWebSocketURLOrARefusal) {
    WSServer server;
    VLScopedTableHostResolver resolver;
    resolver->answer("h", {"127.0.0.1"});
    const std::string port = std::to_string(server.port());
    SocketWidget widget;
    SocketWidget denied(VLTestWidget::Configure{});

    struct Case {
        std::string script;
        std::string result;
    };
    const Case cases[] = {
        {"socket('a', 'http://h:" + port + "/x?q', [])", "{\"id\":1,\"url\":\"ws://h:" + port + "/x?q\"}"},
        {"socket('b', 'HTTPS://h:" + port + "/x', [])", "{\"id\":2,\"url\":\"wss://h:" + port + "/x\"}"},
        {"socket('c', '', [])", "{\"error\":\"SyntaxError\",\"message\":\"Invalid URL: \"}"},
        {"socket('c', 'ws:///x', [])", "{\"error\":\"SyntaxError\",\"message\":\"Invalid URL: ws:///x\"}"},
        {"socket('c', 'FTP://h/x', [])", "{\"error\":\"SyntaxError\",\"message\":\"The URL's scheme must be "
                                         "\\\"ws\\\" or \\\"wss\\\", not \\\"FTP\\\"\"}"},
        {"socket('c', 'ws://h/x#', [])",
         "{\"error\":\"SyntaxError\",\"message\":\"The URL can't have a fragment\"}"},
        {"native.connect('ws://h/', [], 1)", "null"},
        {"native.connect('ws://h/', [])", "null"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(widget.text("JSON.stringify(" + c.script + ")"), c.result) << c.script;
    EXPECT_EQ(denied.text("JSON.stringify(socket('d', 'ws://h/', []))"),
              "{\"error\":\"SecurityError\",\"message\":\"Can't reach ws://h/: network access needs the "
              "\\\"network\\\" permission in manifest.json\"}");

    // The http URL reached the server as ws; the https one tried TLS with a plain server.
    EXPECT_TRUE(widget.waitForCall("a", "open "));
    EXPECT_THAT(widget.closed("b"), testing::StartsWith("close 1006 \"\" false"));
    EXPECT_THAT(widget.calls("b").front(), testing::StartsWith("error "));
    EXPECT_TRUE(widget.calls("c").empty());

    // A port past 65535 reaches no server on the default port.
    widget.run("socket('e', 'ws://h:70000/', [])");
    EXPECT_EQ(widget.closed("e"), "close 1006 \"\" false");
    EXPECT_EQ(widget.calls("e").front(), "error bad URL");
}

TEST(VLNetworkWebSocket, MessagesGoBothWaysAndCloseEndsCleanOnce) {
    WSServer server({.subprotocol = "chat"});
    SocketWidget widget;
    ASSERT_TRUE(widget.opened("s", server.url("/"), "['x', 5, 'chat']"));
    EXPECT_EQ(server.offeredProtocols(), "x, chat");
    EXPECT_EQ(widget.calls("s").front(), "open \"chat\" \"\"");

    widget.run("native.send(s, 'héllo'); native.send(s, new Uint8Array([1, 2, 3]).subarray(1)); "
               "native.send(s, new ArrayBuffer(0)); native.send(s, ''); native.send(s, {})");
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.calls("s").size() == 6; }));
    EXPECT_EQ(widget.calls("s"), (Lines{"open \"chat\" \"\"", "message text 5 héllo", "message binary 2",
                                        "message null", "message text 0 ", "message null"}));
    EXPECT_EQ(server.messages(), (Lines{"t:héllo", std::string("b:\x02\x03", 4), "b:", "t:", "b:"}));

    widget.run("native.close(s); native.close(s, 4000, 'again')");
    EXPECT_EQ(widget.closed("s"), "close 1000 \"\" true");
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return server.closeFrames().size() == 1; }));
    EXPECT_EQ(server.closeFrames().front(), WSServer::CloseFrame(1000, ""));
    widget.run("native.close(s); native.send(s, 'late')");
    widget.widget().settle();
    EXPECT_EQ(widget.calls("s").size(), 7u);
    EXPECT_EQ(widget.number("native.bufferedAmount(s) + native.bufferedAmount('x')"), 0);
}

TEST(VLNetworkWebSocket, OnlyValidCloseFramesReachTheWireButTheListenerHearsWhatWasAsked) {
    WSServer server;
    SocketWidget widget;
    const std::string longReason(200, 'a');
    std::string accented = "a";
    for (int i = 0; i < 100; ++i)
        accented += "é";
    struct Case {
        std::string arguments;
        WSServer::CloseFrame wire;
        std::string heard;
    };
    const Case cases[] = {
        {"4000, 'bye'", {4000, "bye"}, "close 4000 \"bye\" true"},
        {"3000.7", {3000, ""}, "close 3000 \"\" true"},
        {"1005, 'x'", {1000, "x"}, "close 1005 \"x\" true"},
        {"999", {1000, ""}, "close 999 \"\" true"},
        {"5000, 7", {1000, ""}, "close 5000 \"\" true"},
        {"1000, '" + longReason + "'",
         {1000, longReason.substr(0, 123)},
         "close 1000 \"" + longReason + "\" true"},
        {"1000, '" + accented + "'", {1000, accented.substr(0, 123)}, "close 1000 \"" + accented + "\" true"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = "c" + std::to_string(i);
        ASSERT_TRUE(widget.opened(name, server.url("/"))) << cases[i].arguments;
        widget.run("native.close(" + name + ", " + cases[i].arguments + ")");
        EXPECT_EQ(widget.closed(name), cases[i].heard) << cases[i].arguments;
        ASSERT_TRUE(VLMainQueue::runUntil([&] { return server.closeFrames().size() == i + 1; }));
        EXPECT_EQ(server.closeFrames().back(), cases[i].wire) << cases[i].arguments;
    }
}

TEST(VLNetworkWebSocket, BufferedAmountCountsSendsUntilTheyAreWritten) {
    WSServer server;
    SocketWidget widget;
    widget.run("open('s', " + jsText(server.url("/")) +
               ", []); native.send(s, 'early'); "
               "console.log('before open', native.bufferedAmount(s))");
    ASSERT_TRUE(widget.waitForCall("s", "open "));
    widget.run("native.send(s, 'x'.repeat(1 << 20)); native.send(s, new Uint8Array(1000)); "
               "console.log('after send', native.bufferedAmount(s))");
    EXPECT_EQ(widget.calls("before"), Lines{"open 0"});
    EXPECT_EQ(widget.calls("after"), Lines{"send 1049576"});
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.calls("s").size() == 3; }));
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return widget.number("native.bufferedAmount(s)") == 0; }));
    EXPECT_EQ(server.messages().size(), 2u);
}

TEST(VLNetworkWebSocket, ServerClosesAndBrokenServersEndWithTheRightReport) {
    const std::string header = "HTTP/1.1 101 Switching Protocols\r\nX-Filler: ";
    struct Case {
        const char* name;
        WSServer::Script script;
        std::string ending;
        // The close frame the client sent back, if any.
        std::optional<uint16_t> answer;
    };
    const Case cases[] = {
        {"server close",
         {.behaviour = Behaviour::close, .closeCode = 4001, .closeReason = "done"},
         "close 4001 \"done\" true",
         std::nullopt},
        {"refused", {.behaviour = Behaviour::refuse}, "close 1006 \"\" false", std::nullopt},
        {"dropped", {.behaviour = Behaviour::drop}, "close 1006 \"\" false", std::nullopt},
        {"garbage",
         {.behaviour = Behaviour::rawHandshake, .raw = "HELLO\r\n\r\n"},
         "close 1006 \"\" false",
         std::nullopt},
        {"endless header",
         {.behaviour = Behaviour::rawHandshake, .raw = header, .rawRepeated = std::string(1000, 'a')},
         "close 1006 \"\" false",
         std::nullopt},
        {"huge frame",
         {.behaviour = Behaviour::rawAfterHandshake,
          .raw = std::string("\x82\x7f\x7f\xff\xff\xff\xff\xff\xff\xff", 10)},
         "close 1006 \"\" false",
         1009},
        {"bad text",
         {.behaviour = Behaviour::rawAfterHandshake, .raw = "\x81\x02\xc3\x28"},
         "close 1006 \"\" false",
         1007},
        {"masked",
         {.behaviour = Behaviour::rawAfterHandshake, .raw = std::string("\x81\x81\x00\x00\x00\x00x", 7)},
         "close 1006 \"\" false",
         1002},
    };
    for (const Case& c : cases) {
        WSServer server(c.script);
        SocketWidget widget;
        widget.run("open('s', " + jsText(server.url("/")) + ", [])");
        EXPECT_EQ(widget.closed("s"), c.ending) << c.name;
        const Lines calls = widget.calls("s");
        const bool clean = c.ending.ends_with("true");
        // A failed receive says nothing: only the end reports, with one error when it was not clean.
        EXPECT_EQ(calls.size(), size_t(calls.front().starts_with("open") ? 2 : 1) + (clean ? 0 : 1))
            << c.name;
        if (!clean) {
            EXPECT_THAT(calls[calls.size() - 2], testing::StartsWith("error ")) << c.name;
        }
        if (c.answer) {
            EXPECT_TRUE(VLMainQueue::runUntil([&] { return !server.closeFrames().empty(); })) << c.name;
            EXPECT_EQ(server.closeFrames().front().first, *c.answer) << c.name;
        }
    }
}

TEST(VLNetworkWebSocket, AMessageOverTheLimitEndsTheConnectionWith1009) {
    WSServer server({.behaviour = Behaviour::flood, .floodCount = 1, .floodSize = 16 * 1024 * 1024 + 1});
    SocketWidget widget;
    widget.run("open('s', " + jsText(server.url("/")) + ", [])");
    EXPECT_EQ(widget.closed("s"), "close 1006 \"\" false");
    EXPECT_EQ(widget.calls("s").size(), 3u);
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return !server.closeFrames().empty(); }));
    EXPECT_EQ(server.closeFrames().front().first, 1009);
}

TEST(VLNetworkWebSocket, LocalAddressesAreRefusedByTheCheckAndAtTheConnection) {
    WSServer server;
    VLScopedTableHostResolver resolver;
    resolver->answer("fixture.test", {"127.0.0.1"});
    // A name server that changes its mind between the check and the connection.
    resolver->answerInTurn("turning.test", {{"203.0.113.7"}, {"127.0.0.1"}});
    SocketWidget widget(VLNetworkAccess({{"fixture.test", "turning.test"}}));
    const std::string port = std::to_string(server.port());
    for (const std::string host : {"fixture.test", "turning.test"}) {
        const std::string url = "ws://" + host + ":" + port + "/";
        widget.run("open('" + host + "', " + jsText(url) + ", [])");
        EXPECT_EQ(widget.closed(host), "close 1006 \"\" false");
        EXPECT_EQ(widget.calls(host),
                  (Lines{"error Can't reach " + url + ": \"" + host +
                             "\" resolves to a local network address, which content can't reach",
                         "close 1006 \"\" false"}));
    }
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST(VLNetworkWebSocket, TerminationForgetsEveryConnectionWithoutACall) {
    WSServer server;
    SocketWidget widget;
    ASSERT_TRUE(widget.opened("s", server.url("/")));
    std::weak_ptr<VLNetworkJSBinding> weakBinding;
    widget.withBinding([&](VLNetworkJSBinding& binding) { weakBinding = binding.sharedFromThis(); });
    const size_t heard = widget.widget().console().size();

    widget.runtime()->terminate();
    widget.widget().settle();
    widget.widget().perform([&] {
        std::shared_ptr<VLNetworkJSBinding> binding = weakBinding.lock();
        ASSERT_TRUE(binding);
        EXPECT_EQ(binding->socketCount(), 0u);
        EXPECT_EQ(binding->socketTaskCount(), 0u);
    });
    EXPECT_EQ(widget.widget().console().size(), heard);
}

TEST(VLNetworkWebSocket, ReceivedMessagesWaitingForABusyScriptAreBounded) {
    constexpr size_t kCount = 64;
    WSServer server({.behaviour = Behaviour::flood, .floodCount = kCount, .floodSize = 1024 * 1024});
    SocketWidget widget;
    widget.run("open('s', " + jsText(server.url("/")) + ", [])");
    std::shared_ptr<VLWebSocketTask> task;
    widget.withBinding([&](VLNetworkJSBinding& binding) { task = binding.taskForSocket(1); });
    ASSERT_TRUE(task);

    auto release = std::make_shared<VLTestSignal>();
    widget.widget().performLater([release] { (void)release->wait(); });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return task->waitsForRoom(); }));
    EXPECT_LE(task->waitingBytes(), VLWebSocketTask::kMaximumWaitingBytes);
    EXPECT_LT(server.floodSent(), kCount);
    release->raise();
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return widget.calls("s").size() == kCount + 1; }));
    // Each message is given back once its listener call has returned.
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return task->waitingBytes() == 0; }));
}

TEST(VLNetworkWebSocket, SecureConnectionsTrustOnlyKnownAuthorities) {
    auto trusted = std::make_shared<VLTestCertificate>("wss.test");
    auto stranger = std::make_shared<VLTestCertificate>("wss.test");
    WSServer server({}, trusted);
    WSServer impostor({}, stranger);
    VLScopedTableHostResolver resolver;
    resolver->answer("wss.test", {"127.0.0.1"});
    VLWebSocketSession::setTestCertificateAuthorityFile(trusted->authorityFile());
    SocketWidget widget;
    ASSERT_TRUE(widget.opened("s", server.url("/", "wss.test")));
    widget.run("native.send(s, 'secret')");
    EXPECT_TRUE(widget.waitForCall("s", "message text 6 secret"));
    widget.run("open('i', " + jsText(impostor.url("/", "wss.test")) + ", [])");
    EXPECT_EQ(widget.closed("i"), "close 1006 \"\" false");
    EXPECT_THAT(widget.calls("i").front(), testing::StartsWith("error "));
    VLWebSocketSession::setTestCertificateAuthorityFile("");
}
