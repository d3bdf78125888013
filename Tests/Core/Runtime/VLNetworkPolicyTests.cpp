#include "Core/Runtime/VLNetworkPolicy.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/VLRuntime.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTableHostResolver.h"
#include "Tests/Support/VLTestRuntime.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const std::string kPermission = "network access needs the \"network\" permission in manifest.json";

std::string local(const std::string& host) {
    return "\"" + host + "\" is an IP address or a local name, which content can't reach";
}

std::string unlisted(const std::string& host) {
    return "\"" + host + "\" isn't one of the domains in network.domains of manifest.json";
}

struct DenialCase {
    bool allowsNetworkAccess;
    std::optional<std::vector<std::string>> hosts;
    const char* url;
    std::optional<std::string> denial;
};

TEST(VLNetworkPolicyTest, DecidesByPermissionHostListAndLocalNames) {
    using Hosts = std::vector<std::string>;
    const Hosts listed{"example.com"};
    const DenialCase cases[] = {
        // Without the permission nothing passes, whatever the list.
        {false, std::nullopt, "https://example.com/", kPermission},
        {false, listed, "https://example.com/", kPermission},
        // Without a list everything passes, local hosts included.
        {true, std::nullopt, "http://127.0.0.1/", std::nullopt},
        {true, std::nullopt, "http://localhost:8080/", std::nullopt},
        {true, listed, "https://example.com/a", std::nullopt},
        // Local names and literals, normalised in the text.
        {true, listed, "http://LOCALHOST./", local("localhost")},
        {true, listed, "http://a.localhost/", local("a.localhost")},
        {true, listed, "http://Printer.Local/", local("printer.local")},
        {true, listed, "http://[::1]/", local("::1")},
        {true, listed, "http://10.0.0.1/", local("10.0.0.1")},
        {true, listed, "http://0x7f.1/", local("0x7f.1")},
        {true, listed, "http://2130706433/", local("2130706433")},
        {true, listed, "http://0177.0.0.1/", local("0177.0.0.1")},
        {true, listed, "file:///etc/passwd", local("")},
        // A last label with letters outside the hexadecimal digits is a name.
        {true, listed, "http://host.1st/", unlisted("host.1st")},
        {true, Hosts{"host.1st"}, "http://host.1st/", std::nullopt},
        {true, listed, "http://example.org/", unlisted("example.org")},
        // Sub-domain patterns: below the domain only.
        {true, Hosts{"*.example.com"}, "http://a.example.com/", std::nullopt},
        {true, Hosts{"*.example.com"}, "http://a.b.EXAMPLE.com/", std::nullopt},
        {true, Hosts{"*.example.com"}, "http://example.com/", unlisted("example.com")},
        {true, Hosts{"*.example.com"}, "http://badexample.com/", unlisted("badexample.com")},
        // Patterns are normalised too.
        {true, Hosts{"EXAMPLE.COM."}, "http://example.com/", std::nullopt},
        {true, Hosts{"other.net", "*.Example.Com"}, "http://www.example.com./", std::nullopt},
        // An empty list refuses every host.
        {true, Hosts{}, "http://example.com/", unlisted("example.com")},
        {true, Hosts{}, "http://localhost/", local("localhost")},
    };
    for (const DenialCase& c : cases) {
        EXPECT_EQ(VLNetworkDenialForURL(VLURL(c.url), c.allowsNetworkAccess, c.hosts), c.denial) << c.url;
    }
}

TEST(VLNetworkPolicyTest, NormalisesHosts) {
    const std::pair<const char*, const char*> cases[] = {
        {"Example.COM", "example.com"}, {"[::1]", "::1"}, {"[]", "[]"}, {"example.com..", "example.com"},
        {"[FE80::1].", "[fe80::1]"},    {"", ""},
    };
    for (const auto& [host, normalized] : cases)
        EXPECT_EQ(VLNormalizedHost(host), normalized) << host;
}

TEST(VLNetworkPolicyTest, JudgesAddressesByClass) {
    const std::pair<const char*, bool> cases[] = {
        {"0.0.0.0", true},
        {"0.255.255.255", true},
        {"1.0.0.0", false},
        {"9.255.255.255", false},
        {"10.1.2.3", true},
        {"11.0.0.0", false},
        {"100.63.255.255", false},
        {"100.64.0.0", true},
        {"100.127.255.255", true},
        {"100.128.0.0", false},
        {"127.0.0.1", true},
        {"169.254.1.1", true},
        {"169.253.1.1", false},
        {"172.15.255.255", false},
        {"172.16.0.0", true},
        {"172.31.255.255", true},
        {"172.32.0.0", false},
        {"192.0.0.8", true},
        {"192.0.1.0", false},
        {"192.168.1.5", true},
        {"192.169.0.0", false},
        {"223.255.255.255", false},
        {"224.0.0.1", true},
        {"255.255.255.255", true},
        {"8.8.8.8", false},
        // IPv6, and IPv4 inside it.
        {"::", true},
        {"::1", true},
        {"::2", true},
        {"::8.8.8.8", false},
        {"::10.0.0.1", true},
        {"::ffff:192.168.0.1", true},
        {"::ffff:8.8.8.8", false},
        {"64:ff9b::10.0.0.1", true},
        {"64:ff9b::8.8.8.8", false},
        {"64:ff9b:1::10.0.0.1", false},
        {"ff02::1", true},
        {"fe80::1", true},
        {"fec0::1", true},
        {"fe7f::1", false},
        {"fd12::1", true},
        {"fc00::1", false},
        {"fc00:4000::1", true},
        {"fc01::1", true},
        {"2001:db8::1", false},
        {"0:0:1::1", false},
        {"::1:0:0:1", false},
    };
    for (const auto& [literal, isLocal] : cases) {
        std::optional<VLNetworkAddress> address = VLNetworkAddress::fromLiteral(literal);
        ASSERT_TRUE(address) << literal;
        EXPECT_EQ(VLNetworkAddressIsLocal(*address), isLocal) << literal;
    }
}

TEST(VLNetworkPolicyTest, ResolvesNamesThroughTheProcessResolver) {
    VLScopedTableHostResolver resolver;
    resolver->answer("mixed.example", {"8.8.8.8", "10.0.0.1"});
    resolver->answer("public.example", {"8.8.8.8", "2001:db8::1"});
    resolver->answer("localhost", {"127.0.0.1"});

    EXPECT_TRUE(VLRuntime::hostResolvesToLocalNetwork("mixed.example"));
    EXPECT_FALSE(VLRuntime::hostResolvesToLocalNetwork("public.example"));
    EXPECT_TRUE(VLRuntime::hostResolvesToLocalNetwork("LOCALHOST."));
    EXPECT_FALSE(VLRuntime::hostResolvesToLocalNetwork("unknown.example"));
    EXPECT_FALSE(VLRuntime::hostResolvesToLocalNetwork(""));
    // Literals need no lookup.
    EXPECT_TRUE(VLRuntime::hostResolvesToLocalNetwork("[::1]"));
    EXPECT_TRUE(VLRuntime::hostResolvesToLocalNetwork("0x7f.1"));
    EXPECT_FALSE(VLRuntime::hostResolvesToLocalNetwork("8.8.4.4"));
    EXPECT_EQ(resolver->lookups("localhost"), 1);
    EXPECT_EQ(resolver->lookups("0x7f.1"), 0);
}

class VLRuntimeNetworkPolicyTest : public testing::Test {
protected:
    VLPrivateTMPDIR tmpdir;
    VLScopedTableHostResolver resolver;
    VLTestRuntime runtime;
};

TEST_F(VLRuntimeNetworkPolicyTest, TellsTheObserverOfEveryDecisionOnTheCallingThread) {
    struct Call {
        std::string url;
        std::optional<std::string> denial;
        std::thread::id thread;
    };
    std::vector<Call> calls;
    runtime->setAllowsNetworkAccess(true);
    runtime->setAllowedNetworkHosts(std::vector<std::string>{"example.com"});
    runtime->setNetworkRequestObserver([&](const std::string& url, const std::optional<std::string>& denial) {
        calls.push_back({url, denial, std::this_thread::get_id()});
    });

    EXPECT_EQ(runtime->networkDenialForURL(VLURL("https://example.com/x")), std::nullopt);
    EXPECT_EQ(runtime->networkDenialForURL(VLURL("http://localhost/")), local("localhost"));
    std::thread([&] { runtime->networkDenialForURL(VLURL("https://example.org/")); }).join();

    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].url, "https://example.com/x");
    EXPECT_EQ(calls[0].denial, std::nullopt);
    EXPECT_EQ(calls[1].denial, local("localhost"));
    EXPECT_EQ(calls[2].denial, unlisted("example.org"));
    EXPECT_EQ(calls[0].thread, std::this_thread::get_id());
    EXPECT_NE(calls[2].thread, std::this_thread::get_id());
}

TEST_F(VLRuntimeNetworkPolicyTest, ChecksAddressesOnlyWithAccessAndAList) {
    EXPECT_FALSE(runtime->checksNetworkAddresses());
    runtime->setAllowedNetworkHosts(std::vector<std::string>{});
    EXPECT_FALSE(runtime->checksNetworkAddresses());
    runtime->setAllowsNetworkAccess(true);
    EXPECT_TRUE(runtime->checksNetworkAddresses());
    runtime->setAllowedNetworkHosts(std::nullopt);
    EXPECT_FALSE(runtime->checksNetworkAddresses());
}

TEST_F(VLRuntimeNetworkPolicyTest, AddressCheckReportsOnTheJavaScriptThread) {
    resolver->answer("intranet.example", {"192.168.1.5"});
    resolver->answer("public.example", {"8.8.8.8"});
    runtime->setAllowsNetworkAccess(true);
    runtime->setAllowedNetworkHosts(std::vector<std::string>{"intranet.example", "public.example"});
    const VLURL intranet("https://Intranet.Example./a");
    ASSERT_EQ(runtime->networkDenialForURL(intranet), std::nullopt);

    auto check = [&](const VLURL& url) {
        std::optional<std::string> denial;
        VLTestSignal reported;
        runtime->checkNetworkAddressOfURL(url, [&](const std::optional<std::string>& answer) {
            EXPECT_TRUE(runtime->engine()->runLoop()->isCurrent());
            denial = answer;
            reported.raise();
        });
        EXPECT_TRUE(reported.wait());
        return denial;
    };
    // The URL's host as written.
    EXPECT_EQ(check(intranet),
              "\"Intranet.Example.\" resolves to a local network address, which content can't reach");
    EXPECT_EQ(check(VLURL("https://public.example/")), std::nullopt);
}

// Blocks lookups of one name until the test lets them go.
class GatedResolver final : public VLHostResolver {
public:
    VLTestSignal asked;
    VLTestSignal released;
    std::vector<VLNetworkAddress> addressesForName(const std::string&) override {
        asked.raise();
        EXPECT_TRUE(released.wait());
        return {*VLNetworkAddress::fromLiteral("10.0.0.1")};
    }
};

TEST_F(VLRuntimeNetworkPolicyTest, AddressCheckSaysNothingAfterTermination) {
    auto gated = std::make_shared<GatedResolver>();
    VLHostResolver::setShared(gated);
    std::atomic<bool> called = false;
    auto sentinel = std::make_shared<int>();
    std::weak_ptr<int> watch = sentinel;

    runtime->checkNetworkAddressOfURL(
        VLURL("https://gated.example/"),
        [&called, sentinel](const std::optional<std::string>&) { called = true; });
    sentinel.reset();
    ASSERT_TRUE(gated->asked.wait());
    runtime->terminate();
    gated->released.raise();

    // Once the completion is gone it can no longer be called.
    EXPECT_TRUE(VLWaitUntil([&] { return watch.expired(); }));
    EXPECT_FALSE(called);
}

} // namespace
