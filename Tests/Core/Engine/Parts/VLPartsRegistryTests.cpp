#include "Core/Engine/Log/VLSystemLog.h"
#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Engine/Parts/VLDynamicPartsLoader.h"
#include "Core/Engine/Parts/VLServiceLocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <system_error>
#include <vector>

namespace {

class Greeter : public VLServiceContract {
public:
    virtual std::string greeting() const = 0;
};
class Hidden {
public:
    virtual ~Hidden() = default;
};
// A protocol with a class-side method, adopted by a class object.
class Named {
public:
    virtual ~Named() = default;
    virtual std::string displayName() const = 0;
};

std::atomic<int> madeGreeters{0};
std::atomic<int> registeredGreeters{0};

} // namespace

class VLTestEnglishGreeter : public VLDynamicParts, public Greeter, private Hidden {
public:
    VLTestEnglishGreeter() { ++madeGreeters; }
    std::string greeting() const override { return "hello"; }
    void serviceDidRegister() override { ++registeredGreeters; }
    static std::vector<VLPart> exports() { return {VLPart::ofClass<VLTestEnglishGreeter>()}; }
};
class VLTestLoudGreeter : public VLTestEnglishGreeter {
public:
    std::string greeting() const override { return "HELLO"; }
};
class VLTestPlainPart : public VLDynamicParts {};
class VLTestNamedPartClass final : public VLPartClassOf<VLTestPlainPart>, public Named {
public:
    std::string displayName() const override { return "plain"; }
};

VL_EXPORT_PART_CLASS(VLTestLoudGreeter);
VL_EXPORT_PARTS(VLTestEnglishGreeter);

void PrintTo(const VLPart& part, std::ostream* out) {
    *out << part.description();
}

namespace {

struct RegistryFixture {
    std::shared_ptr<VLTestLoudGreeter> loudObject = std::make_shared<VLTestLoudGreeter>();
    VLPart english = VLPart::ofClass<VLTestEnglishGreeter>();
    VLPart loud = VLPart::ofClass<VLTestLoudGreeter>();
    VLPart loudInstance = VLPart(loudObject);
    VLPart plain = VLPart::ofClass<VLTestPlainPart, VLTestNamedPartClass>();
    VLDynamicPartsLoader loader{{loud, plain, loudInstance, english}};
};

} // namespace

TEST(VLDynamicPartsLoader, FindsPartsByProtocolInRegistrationOrder) {
    RegistryFixture fixture;
    std::vector<VLPart> greeters = fixture.loader.partsConformingToProtocol<Greeter>();
    EXPECT_EQ((std::vector<VLPart>{fixture.loud, fixture.loudInstance, fixture.english}), greeters);

    greeters.clear();
    EXPECT_EQ(3u, fixture.loader.partsConformingToProtocol<Greeter>().size())
        << "the cache is not the answer";
    EXPECT_TRUE(fixture.loader.partsConformingToProtocol<Hidden>().empty())
        << "a private base is no protocol";

    std::vector<VLPart> named = fixture.loader.partsConformingToProtocol<Named>();
    ASSERT_EQ(1u, named.size());
    EXPECT_EQ("plain", named[0].partClass()->classSide<Named>()->displayName());
    EXPECT_EQ("VLTestPlainPart", named[0].description());
}

TEST(VLDynamicPartsLoader, FindsClassesBySuperclassButNeverObjects) {
    RegistryFixture fixture;
    EXPECT_EQ((std::vector<VLPart>{fixture.loud, fixture.english}),
              fixture.loader.partsSubclassOfClass<VLTestEnglishGreeter>());
    EXPECT_EQ((std::vector<VLPart>{fixture.loud}), fixture.loader.partsSubclassOfClass<VLTestLoudGreeter>());
    EXPECT_EQ((std::vector<VLPart>{fixture.loud, fixture.plain, fixture.english}),
              fixture.loader.partsSubclassOfClass<VLDynamicParts>())
        << "the object part is left out";
}

TEST(VLDynamicPartsDescriptor, ListsRegistrationsSortedByName) {
    std::vector<std::string> names;
    for (const auto& registration : VLDynamicPartsDescriptor::registrations())
        names.push_back(registration.name);
    EXPECT_TRUE(std::ranges::is_sorted(names));
    auto english = std::ranges::find(names, "_export_parts_VLTestEnglishGreeter");
    auto loud = std::ranges::find(names, "_export_parts_VLTestLoudGreeter");
    ASSERT_NE(names.end(), loud);
    EXPECT_LT(english, loud);

    std::vector<VLPart> greeters = VLDynamicPartsLoader::shared().partsConformingToProtocol<Greeter>();
    EXPECT_EQ(
        (std::vector<VLPart>{VLPart::ofClass<VLTestEnglishGreeter>(), VLPart::ofClass<VLTestLoudGreeter>()}),
        greeters);
}

namespace {

struct CapturedSystemLog {
    std::vector<std::string> lines;
    VLSystemLogWriter previous =
        VLSetSystemLogWriter([this](std::string_view line) { lines.emplace_back(line); });
    ~CapturedSystemLog() { VLSetSystemLogWriter(previous); }
};

} // namespace

TEST(VLServiceLocator, ServesTheLastCandidateAndReportsTheDuplicateOnce) {
    RegistryFixture fixture;
    VLServiceLocator locator(fixture.loader);
    CapturedSystemLog log;
    int madeBefore = madeGreeters;
    int registeredBefore = registeredGreeters;

    std::shared_ptr<Greeter> greeter = locator.resolve<Greeter>();
    ASSERT_NE(nullptr, greeter);
    EXPECT_EQ(2, madeGreeters - madeBefore) << "both classes are made";
    EXPECT_EQ("hello", greeter->greeting()) << "the last candidate wins";
    EXPECT_EQ(1, registeredGreeters - registeredBefore);
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_TRUE(log.lines[0].starts_with("duplicate service register: (anonymous namespace)::Greeter, "
                                         "will use last one: <VLTestEnglishGreeter: 0x"))
        << log.lines[0];

    EXPECT_EQ(greeter, locator.resolve<Greeter>());
    EXPECT_EQ(2, madeGreeters - madeBefore);
    EXPECT_EQ(1, registeredGreeters - registeredBefore);
    EXPECT_EQ(1u, log.lines.size());
}

namespace {

class Counter : public VLServiceContract {};
std::atomic<int> counterMakeAttempts{0};

} // namespace

// A class that adopts the contract but can never be made: each attempt is counted.
class VLTestUnmakeableCounter : public VLDynamicParts, public Counter {};
class VLTestUnmakeableCounterClass final : public VLPartClassOf<VLTestUnmakeableCounter> {
public:
    std::shared_ptr<VLDynamicParts> make() const override {
        ++counterMakeAttempts;
        return nullptr;
    }
};

TEST(VLServiceLocator, RemembersAContractWithoutService) {
    VLDynamicPartsLoader loader({VLPart::ofClass<VLTestUnmakeableCounter, VLTestUnmakeableCounterClass>()});
    VLServiceLocator locator(loader);
    EXPECT_EQ(nullptr, locator.resolve<Counter>());
    EXPECT_EQ(nullptr, locator.resolve<Counter>());
    EXPECT_EQ(1, counterMakeAttempts);
    EXPECT_EQ(nullptr, locator.resolve<Greeter>()) << "no part at all";
}

// The first attempt fails as making a thread fails when the address space is exhausted.
class VLTestFlakyCounter : public VLDynamicParts, public Counter {};
class VLTestFlakyCounterClass final : public VLPartClassOf<VLTestFlakyCounter> {
public:
    std::shared_ptr<VLDynamicParts> make() const override {
        if (_attempts++ == 0)
            throw std::system_error(EAGAIN, std::generic_category());
        return std::make_shared<VLTestFlakyCounter>();
    }

private:
    mutable int _attempts = 0;
};

TEST(VLServiceLocator, AServiceThatCouldNotBeMadeIsTriedAgain) {
    VLDynamicPartsLoader loader({VLPart::ofClass<VLTestFlakyCounter, VLTestFlakyCounterClass>()});
    VLServiceLocator locator(loader);
    EXPECT_THROW(locator.resolve<Counter>(), std::system_error);
    EXPECT_NE(nullptr, locator.resolve<Counter>());
}

namespace {

class Clock : public VLServiceContract {
public:
    virtual int now() = 0;
};
std::atomic<int> clockRegistrations{0};

class DecoratedClock final : public VLServiceDecorator<Clock> {
public:
    using VLServiceDecorator::VLServiceDecorator;
    int now() override { return service()->now() + 1000; }
};

} // namespace

class VLTestClock : public VLDynamicParts, public Clock {
public:
    int now() override { return 1; }
    void serviceDidRegister() override { ++clockRegistrations; }
};
VL_SERVICE_DECORATOR_CLASS(Clock, DecoratedClock);

// Its constructor resolves another contract, and its own.
class VLTestClockUser : public VLDynamicParts, public Greeter {
public:
    VLTestClockUser(VLServiceLocator& locator)
        : clock(locator.resolve<Clock>()), selfResolution(locator.resolve<Greeter>()) {}
    std::string greeting() const override { return "it is " + std::to_string(clock->now()); }
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Greeter> selfResolution;
};

TEST(VLServiceLocator, DecoratesAndAllowsNestedResolution) {
    VLServiceLocator* locatorForUser = nullptr;
    class UserClass final : public VLPartClassOf<VLTestClockUser> {
    public:
        explicit UserClass(VLServiceLocator** locator) : _locator(locator) {}
        std::shared_ptr<VLDynamicParts> make() const override {
            return std::make_shared<VLTestClockUser>(**_locator);
        }
        VLServiceLocator** _locator;
    };
    VLDynamicPartsLoader loader(
        {VLPart(std::make_shared<const UserClass>(&locatorForUser)), VLPart::ofClass<VLTestClock>()});
    VLServiceLocator locator(loader);
    locatorForUser = &locator;

    std::shared_ptr<Greeter> user = locator.resolve<Greeter>();
    ASSERT_NE(nullptr, user);
    EXPECT_EQ("it is 1001", user->greeting());
    EXPECT_EQ(nullptr, static_cast<VLTestClockUser&>(*user).selfResolution);
    EXPECT_NE(nullptr, dynamic_cast<DecoratedClock*>(locator.resolve<Clock>().get()));
    EXPECT_EQ(1, clockRegistrations) << "the decorator passes the registration on";
}
