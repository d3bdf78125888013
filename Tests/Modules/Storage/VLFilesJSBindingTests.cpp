#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Launcher/Services/VLUserFilesProvider.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Tests/Support/VLTestWidget.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// The main application's side, answering from a table: a trashed file by its URL, a restored one by
// its identifier (neither value nor reason for any other), and the list. Notes each call and whether
// it came on the main queue.
class FakeUserFiles final : public VLUserFilesProvider {
public:
    void runtimeTrashFileAtURL(const std::shared_ptr<VLRuntime>&, const VLURL& url,
                               FileCompletion completion) override {
        note("trash " + url.absoluteString());
        completion(VLDictionary{{"id", "t1"}, {"name", url.lastPathComponent()}}, std::nullopt);
    }
    void runtimeRestoreFileWithIdentifier(const std::shared_ptr<VLRuntime>&, const std::string& identifier,
                                          FileCompletion completion) override {
        note("restore " + identifier);
        if (identifier == "busy")
            completion(VLValue(), "busy");
        else if (identifier == "t1")
            completion(VLDictionary{{"id", "t1"}}, std::nullopt);
        else
            completion(VLValue(), std::nullopt);
    }
    void runtimeListFilesWithCompletion(const std::shared_ptr<VLRuntime>&,
                                        ListCompletion completion) override {
        note("list");
        completion(listed);
    }

    std::optional<VLArray> listed;
    std::vector<std::string> calls;
    bool allOnMainQueue = true;

private:
    void note(std::string call) {
        calls.push_back(std::move(call));
        allOnMainQueue = allOnMainQueue && VLMainQueue::isCurrent();
    }
};

// Every settled promise as [how, what]: ["value", value] or [error class, message, reason].
constexpr const char* kScript = R"(
    globalThis.outcomes = [];
    const settle = promise => promise.then(value => ['value', value],
                                           error => [error.constructor.name, error.message, error.reason]);
    globalThis.run = async (token, steps) => {
        for (const step of steps)
            outcomes.push(await settle(step === 'token' ? Velto.files.trash(token) : step()));
        postMessage('out', outcomes);
    };
)";

std::string evaluate(VLTestWidget& widget, const std::string& expression) {
    std::string text = "(threw)";
    widget.inspect(expression, [&text](JSContextRef ctx, JSValueRef value) {
        if (value)
            text = VLJSValueToNSString(ctx, value).value_or("(not a string)");
    });
    return text;
}

} // namespace

TEST(VLFilesJSBindingTests, RequestsReachTheProviderOnTheMainQueueAndSettleTheirPromises) {
    auto provider = std::make_shared<FakeUserFiles>();
    provider->listed = VLArray{VLDictionary{{"id", "t1"}}};
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", kScript}},
                        [&](VLLocalPathLaunchPayload& payload) { payload.setUserFilesProvider(provider); },
                        {"out"});
    ASSERT_TRUE(widget.runtime());
    const std::vector<std::string> tokens =
        widget.runtime()->registerDroppedFileURLs({VLURL("file:///drop/a.txt")});
    ASSERT_EQ(1u, tokens.size());
    EXPECT_EQ("true true",
              evaluate(widget, "[Object.isFrozen(Velto.files), Velto.files === Velto.files].join(' ')"));

    widget.inspect("run('" + tokens[0] + R"(', [
        () => Velto.files.trash(''), () => Velto.files.restore(5), () => Velto.files.trash('unknown'),
        'token', 'token', () => Velto.files.restore('t1'), () => Velto.files.restore('other'),
        () => Velto.files.restore('busy'), () => Velto.files.list()])
    )",
                   [](JSContextRef, JSValueRef) {});
    // Some answers reach the script through a timer, which settling does not wait for.
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return !widget.messages().empty(); }));
    ASSERT_EQ(1u, widget.messages().size());
    const VLValue expected = VLArray{
        VLValue{"TypeError", "Velto.files.trash takes a string", VLValue::null()},
        VLValue{"TypeError", "Velto.files.restore takes a string", VLValue::null()},
        VLValue{"Error", "Velto.files: missing", "missing"},
        VLValue{"value", VLDictionary{{"id", "t1"}, {"name", "a.txt"}}},
        // A trashed file's token is forgotten.
        VLValue{"Error", "Velto.files: missing", "missing"},
        VLValue{"value", VLDictionary{{"id", "t1"}}},
        VLValue{"Error", "Velto.files: failed", "failed"},
        VLValue{"Error", "Velto.files: busy", "busy"},
        VLValue{"value", VLArray{VLDictionary{{"id", "t1"}}}},
    };
    EXPECT_EQ(expected, widget.messages()[0].second);
    EXPECT_EQ((std::vector<std::string>{"trash file:///drop/a.txt", "restore t1", "restore other",
                                        "restore busy", "list"}),
              provider->calls);
    EXPECT_TRUE(provider->allOnMainQueue);

    // The native class checks its arguments; a kind it does not know fails, and no list is an empty one.
    provider->listed = std::nullopt;
    EXPECT_EQ(
        "Error: request(kind, value, id) takes two strings and a number",
        evaluate(widget,
                 "try { new VeltoRuntime.Files().request('trash', 1, 1); 'no' } catch (e) { String(e) }"));
    widget.inspect(R"(
        const files = new VeltoRuntime.Files();
        files.onresult = answer => postMessage('out', answer);
        files.request('move', 'x', 7);
        files.request('list', 'list', 8);
    )",
                   [](JSContextRef, JSValueRef) {});
    widget.settle();
    ASSERT_EQ(3u, widget.messages().size());
    EXPECT_EQ((VLDictionary{{"request", 7}, {"reason", "failed"}}), widget.messages()[1].second);
    EXPECT_EQ((VLDictionary{{"request", 8}, {"value", VLArray()}}), widget.messages()[2].second);
}

TEST(VLFilesJSBindingTests, WithoutAProviderVeltoFilesIsNullAndTheClassRefusesConstruction) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", "globalThis.first = Velto.files;"}});
    ASSERT_TRUE(widget.runtime());
    EXPECT_EQ("null null true", evaluate(widget, "[String(first), String(Velto.files), "
                                                 "Object.keys(Velto).includes('files')].join(' ')"));
    EXPECT_EQ("Error: Velto.files isn't available",
              evaluate(widget, "try { new VeltoRuntime.Files(); 'made' } catch (e) { String(e) }"));
}
