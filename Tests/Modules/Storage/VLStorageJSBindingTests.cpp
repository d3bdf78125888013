#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Storage/VLStorageArea.h"
#include "Modules/Storage/VLSyncStorage.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestWidget.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace {

// The native classes as scripts reach them, with the change events of synchronised storage noted.
constexpr const char* kNativeScript = R"(
    globalThis.local = new VeltoRuntime.LocalStorage();
    globalThis.sync = new VeltoRuntime.SyncStorage();
    globalThis.changes = [];
    sync.onchange = event => changes.push([event.key, event.oldValue, event.newValue]);
)";

VLTestWidget::Configure withDataPath(const std::filesystem::path& path) {
    return [path](VLLocalPathLaunchPayload& payload) { payload.setDataPath(path.string()); };
}

// What a storage file holds, nil when there is none.
VLValue fileContents(const std::filesystem::path& path) {
    const std::optional<VLData> data = VLContentsOfFile(path.string());
    return data ? VLPropertyListSerialization::propertyListWithData(*data) : VLValue();
}

} // namespace

TEST(VLStorageJSBindingTests, MembersConvertTheirArgumentsAndAnswerAsWebStorageDoes) {
    VLTemporaryDirectory data("velto-storage-binding");
    VLTestWidget widget({{"index.js", kNativeScript}}, withDataPath(data.path()));
    ASSERT_TRUE(widget.runtime());
    struct Case {
        const char* expression;
        const char* expected;
    };
    const Case cases[] = {
        {"JSON.stringify([local.setItem('b', '2'), local.setItem('a', '1'), local.length])", "[0,0,2]"},
        {"JSON.stringify([local.key(), local.key(-1), local.key(NaN), local.key(1), local.key('1'), "
         "local.key(1.5), local.key(2), local.key(2 ** 64), local.key(Infinity)])",
         R"(["b",null,null,"a","a","a",null,null,null])"},
        {"JSON.stringify([local.getItem('missing'), local.getItem(), local.setItem('', 'empty'), "
         "local.getItem()])",
         R"([null,null,0,"empty"])"},
        {"JSON.stringify([local.setItem('n', 1), local.getItem('n'), local.setItem(null, undefined), "
         "local.getItem('null')])",
         R"([0,"1",0,"undefined"])"},
        {"local.setItem({toString() { throw new Error('no text'); }}, 'v')", "(threw)"},
        {"String(local.removeItem('n')) + ' ' + local.getItem('n')", "undefined null"},
        {"[typeof sync.offchange, typeof sync.getItem, typeof local.onchange].join(' ')",
         "function function undefined"},
        {"try { new VeltoRuntime.LocalStorage(); 'made' } catch (error) { String(error) }",
         "TypeError: Illegal constructor"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, widget.evaluate(c.expression)) << c.expression;

    EXPECT_EQ("undefined 0", widget.evaluate("String(local.clear()) + ' ' + local.length"));
    VLStorageArea::flush();
    EXPECT_FALSE(std::filesystem::exists(data / "LocalStorage.plist"));
}

TEST(VLStorageJSBindingTests, ChangesAppliedByTheHostFireOneEventEachAndScriptChangesNone) {
    VLTemporaryDirectory data("velto-storage-binding");
    VLTestWidget widget({{"index.js", kNativeScript}}, withDataPath(data.path()));
    ASSERT_TRUE(widget.runtime());
    EXPECT_EQ("0 0", widget.evaluate("[sync.setItem('a', '1'), sync.setItem('b', '2')].join(' ')"));
    widget.evaluate("sync.removeItem('b'), sync.setItem('b', '3')");

    // The host's view of the same data directory, as the content host applies the main application's changes.
    const std::shared_ptr<VLSyncStorage> host = VLSyncStorage::storageInDataDirectory(data.path());
    EXPECT_EQ((std::map<std::string, std::string>{{"a", "1"}, {"b", "3"}}), host->items());
    host->applyChanges({{"a", "changed"}});
    widget.settle();
    EXPECT_EQ(R"([["a","1","changed"]])", widget.evaluate("JSON.stringify(changes)"));
    host->applyChanges({{"b", VLValue::null()}, {"c", "new"}, {"a", "changed"}});
    widget.settle();
    EXPECT_EQ(R"([["a","1","changed"],["b","3",null],["c",null,"new"]])",
              widget.evaluate("JSON.stringify(changes)"));
    EXPECT_EQ(R"(["changed","new",null])",
              widget.evaluate("JSON.stringify([sync.getItem('a'), sync.getItem('c'), sync.getItem('b')])"));

    // offchange() takes the handler away.
    widget.evaluate("sync.offchange()");
    host->applyChanges({{"d", "4"}});
    widget.settle();
    EXPECT_EQ("3", widget.evaluate("String(changes.length)"));
}

TEST(VLStorageJSBindingTests, AfterTheTerminationNoticeNothingReachesTheFile) {
    VLTemporaryDirectory data("velto-storage-binding");
    VLTestWidget widget({{"index.js", kNativeScript}}, withDataPath(data.path()));
    ASSERT_TRUE(widget.runtime());
    widget.evaluate("local.setItem('kept', '1'), sync.setItem('kept', '1')");
    VLStorageArea::flush();
    ASSERT_EQ(VLValue(VLArray{"kept", "1"}), fileContents(data / "LocalStorage.plist"));

    const std::shared_ptr<VLRuntime> runtime = widget.runtime();
    widget.perform([runtime] {
        JSGlobalContextRef ctx = runtime->engine()->context()->globalContext();
        VLNotificationCenter::defaultCenter().post(VLRuntimeWillTerminateNotification, runtime.get(),
                                                   {{VLRuntimeGlobalContextKey, ctx}});
    });
    EXPECT_EQ("[0,0,null,null,1]",
              widget.evaluate("JSON.stringify([local.setItem('late', '1'), sync.setItem('late', '1'), "
                              "local.getItem('kept'), sync.getItem('kept'), local.length])"));
    VLSyncStorage::storageInDataDirectory(data.path())->applyChanges({{"kept", "2"}});
    widget.settle();
    EXPECT_EQ("0", widget.evaluate("String(changes.length)")) << "the file's area is no longer the binding's";
    VLStorageArea::flush();
    EXPECT_EQ(VLValue(VLArray{"kept", "1"}), fileContents(data / "LocalStorage.plist"));
    EXPECT_EQ(VLValue(VLArray{"kept", "2"}), fileContents(data / "SyncStorage.plist"));
}

TEST(VLStorageJSBindingTests, ARuntimeWithoutADataPathStoresInAMemoryOfItsOwn) {
    const char* script = "localStorage.setItem('a', '1'); Velto.syncStorage.setItem('s', '2');";
    using Files = std::map<std::string, std::string>;
    VLTestWidget first(Files{{"index.js", script}});
    VLTestWidget second(Files{{"index.js", "localStorage.setItem('b', '2');"}});
    ASSERT_TRUE(first.runtime());
    ASSERT_TRUE(second.runtime());
    EXPECT_EQ(R"(["1","2",null])",
              first.evaluate("JSON.stringify([localStorage.getItem('a'), "
                             "Velto.syncStorage.getItem('s'), localStorage.getItem('b')])"));
    EXPECT_EQ("1", second.evaluate("String(localStorage.length)"));
}

TEST(VLStorageJSBindingTests, TheScriptLayerReachesItemsAsPropertiesAndThrowsRefusals) {
    VLTemporaryDirectory data("velto-storage-binding");
    VLTestWidget widget({{"index.js", ""}}, withDataPath(data.path()));
    ASSERT_TRUE(widget.runtime());
    struct Case {
        const char* expression;
        const char* expected;
    };
    // Each a function body.
    const Case cases[] = {
        {"localStorage.z = '1'; localStorage.a = 2; localStorage.setItem('m', '3'); "
         "return JSON.stringify([localStorage.z, localStorage.a, localStorage.missing, 'a' in localStorage, "
         "'missing' in localStorage, Object.keys(localStorage), localStorage.length]);",
         R"(["1","2",null,true,false,["z","a","m"],3])"},
        {"delete localStorage.z; localStorage.a = 'changed'; return "
         "JSON.stringify([Object.keys(localStorage), "
         "localStorage.getItem('z'), {...localStorage}]);",
         R"([["a","m"],null,{"a":"changed","m":"3"}])"},
        // The object's own names are not items.
        {"localStorage.setItem('length', 'x'); localStorage.setItem('getItem', 'y'); "
         "return [localStorage.length, typeof localStorage.getItem, localStorage.getItem('length')].join(' "
         "');",
         "4 function x"},
        {"try { localStorage.setItem('big', 'x'.repeat(5242880)); return 'stored'; } catch (error) { "
         "return [error instanceof DOMException, error.name, error.message, localStorage.big === "
         "undefined].join('|'); }",
         "true|QuotaExceededError|The storage quota is exceeded|true"},
        {"try { Velto.syncStorage.item = 'x'.repeat(61440); return 'stored'; } catch (error) { "
         "return error.name + '|' + error.message; }",
         "QuotaExceededError|An item of synchronised storage takes at most 61440 characters"},
        {"for (let i = 0; i < 1024; ++i) Velto.syncStorage.setItem('k' + i, ''); "
         "try { Velto.syncStorage.setItem('one more', ''); return 'stored'; } catch (error) { return "
         "error.message; }",
         "Synchronised storage holds at most 1024 keys"},
        {"localStorage.clear(); Velto.syncStorage.clear(); "
         "return [localStorage.length, Velto.syncStorage.length].join(' ');",
         "0 0"},
        {"return String(Velto.syncStorage === Velto.syncStorage && localStorage === "
         "globalThis.localStorage);",
         "true"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, widget.evaluate("(() => { " + std::string(c.expression) + " })()"))
            << c.expression;
}

TEST(VLStorageJSBindingTests, SyncStorageIsAnEventTargetOfTheHostsChanges) {
    VLTemporaryDirectory data("velto-storage-binding");
    VLTestWidget widget({{"index.js", R"(
        globalThis.heard = [];
        Velto.syncStorage.onchange = event => heard.push('on ' + [event.key, event.oldValue, event.newValue]);
        Velto.syncStorage.addEventListener('change', event => heard.push('listener ' + event.type));
        Velto.syncStorage.mine = 'set by the script';
    )"}},
                        withDataPath(data.path()));
    ASSERT_TRUE(widget.runtime());
    VLSyncStorage::storageInDataDirectory(data.path())->applyChanges({{"mine", "set by the host"}});
    widget.settle();
    EXPECT_EQ("listener change|on mine,set by the script,set by the host",
              widget.evaluate("heard.join('|')"));
    EXPECT_EQ("set by the host", widget.evaluate("Velto.syncStorage.mine"));
}
