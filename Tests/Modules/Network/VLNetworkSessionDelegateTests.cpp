#include "Modules/Network/VLNetworkSessionDelegate.h"

#include "Modules/Network/VLNetworkStatusText.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Platform/Network/VLHTTPSession.h"
#include "Tests/Support/VLTableHostResolver.h"
#include "Tests/Support/VLTestRuntime.h"
#include "Tests/Support/VLTestSignal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace {

// What the delegate decides about a redirect to the location; nothing when it never decides.
std::optional<bool> decision(VLNetworkSessionDelegate& delegate, const std::string& location) {
    auto session = VLHTTPSession::create("app.velto.test-redirects", std::weak_ptr<VLHTTPSessionDelegate>());
    std::shared_ptr<VLHTTPDataTask> task =
        session->dataTaskWithRequest(VLHTTPRequest{VLURL("http://a.test/")});
    session->invalidateAndCancel();
    auto decided = std::make_shared<VLTestSignal>();
    auto follows = std::make_shared<std::atomic<bool>>(false);
    delegate.willPerformRedirection(*task, VLHTTPResponse(VLURL("http://a.test/"), 302, -1, {}),
                                    VLURL(location), [decided, follows](bool follow) {
                                        follows->store(follow);
                                        decided->raise();
                                    });
    if (!decided->wait())
        return std::nullopt;
    return follows->load();
}

} // namespace

TEST(VLNetworkSessionDelegate, RedirectsFollowTheNetworkPolicyOfALiveRuntime) {
    VLScopedTableHostResolver resolver;
    resolver->answer("public.test", {"203.0.113.9"});
    resolver->answer("local.test", {"10.0.0.1"});

    VLTestRuntime listing;
    listing->setAllowsNetworkAccess(true);
    listing->setAllowedNetworkHosts(std::vector<std::string>{"public.test", "local.test"});
    VLTestRuntime open;
    open->setAllowsNetworkAccess(true);
    VLTestRuntime closed;
    VLTestRuntime terminated;
    terminated->setAllowsNetworkAccess(true);
    terminated->terminate();

    struct Case {
        const std::shared_ptr<VLRuntime>* runtime;
        const char* location;
        bool follows;
    };
    const std::shared_ptr<VLRuntime> gone;
    const Case cases[] = {
        {&listing.get(), "http://public.test/b", true},
        {&listing.get(), "http://other.test/b", false}, // not on the list
        {&listing.get(), "http://local.test/b", false}, // on the list, but into the local network
        {&listing.get(), "http://127.0.0.1/b", false},  // an address
        {&open.get(), "http://127.0.0.1/b", true},      // no list, no checks
        {&closed.get(), "http://public.test/b", false}, // no network access
        {&terminated.get(), "http://public.test/b", false},
        {&gone, "http://public.test/b", false},
    };
    for (const Case& c : cases) {
        VLNetworkSessionDelegate delegate(VLNetworkJSBinding::Hop(), *c.runtime);
        EXPECT_EQ(decision(delegate, c.location), c.follows) << c.location << " " << (&c - cases);
    }
}

TEST(VLNetworkStatusText, NamesTheReasonOfEachKnownStatus) {
    const std::pair<long, const char*> cases[] = {
        {100, "Continue"},
        {200, "OK"},
        {308, "Permanent Redirect"},
        {404, "Not Found"},
        {418, "I'm a teapot"},
        {451, "Unavailable For Legal Reasons"},
        {505, "HTTP Version Not Supported"},
        {407, ""},
        {599, ""},
        {0, ""},
        {-1, ""},
    };
    for (const auto& [status, text] : cases)
        EXPECT_EQ(VLNetworkStatusText(status), text) << status;
}
