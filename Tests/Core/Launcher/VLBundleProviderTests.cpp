#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Engine/Support/VLErrors.h"
#include "Core/Launcher/VLBundleProvider.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Core/Launcher/VLLocalPathPackageBundleProvider.h"
#include "Core/Runtime/VLBundle.h"

#include <gtest/gtest.h>

namespace {

// A payload kind that only the test provider below serves; it says what the provider answers.
class VLTestProviderPayload final : public VLLaunchPayload {
public:
    explicit VLTestProviderPayload(std::any answer, VLErrorRef error = nullptr)
        : answer(std::move(answer)), error(std::move(error)) {}
    std::any answer;
    VLErrorRef error;
};

// A payload that no provider accepts.
class VLUnservedPayload final : public VLLaunchPayload {};

struct Result {
    std::shared_ptr<VLBundle> bundle;
    VLErrorRef error;
    int calls = 0;
};

Result fetch(const VLLaunchPayload& payload) {
    Result result;
    VLBundleProvider::sharedInstance().fetchPackageBundleWithLaunchPayload(
        payload, [&](const std::shared_ptr<VLBundle>& bundle, const VLErrorRef& error) {
            result.bundle = bundle;
            result.error = error;
            ++result.calls;
        });
    return result;
}

class VLSubBundle final : public VLBundle {
public:
    using VLBundle::VLBundle;
};

} // namespace

class VLTestBundleProvider final : public VLDynamicParts, public VLPackageBundleProvider {
public:
    static std::vector<VLPart> exports() { return {VLPart::ofClass<VLTestBundleProvider>()}; }
    bool canProvideBundleWithLaunchPayload(const VLLaunchPayload& payload) override {
        return dynamic_cast<const VLTestProviderPayload*>(&payload);
    }
    void fetchBundleWithLaunchPayload(const VLLaunchPayload& payload, Completion completion) override {
        const auto& test = dynamic_cast<const VLTestProviderPayload&>(payload);
        completion(test.answer, test.error);
    }
};
VL_EXPORT_PARTS(VLTestBundleProvider);

TEST(VLBundleProvider, TheFirstAcceptingProviderServesThePayload) {
    auto payload = VLLaunchPayload::launchPaylodWithLocalPath("/packages/weather");
    auto provider = VLBundleProvider::sharedInstance()._packageBundleProviderWithLaunchPayload(*payload);
    EXPECT_TRUE(std::dynamic_pointer_cast<VLLocalPathPackageBundleProvider>(provider));
    Result result = fetch(*payload);
    EXPECT_EQ(1, result.calls);
    EXPECT_EQ(nullptr, result.error);
    ASSERT_TRUE(result.bundle);
    EXPECT_EQ("/packages/weather", result.bundle->bundlePath());

    VLTestProviderPayload sub(std::shared_ptr<VLBundle>(std::make_shared<VLSubBundle>("/sub")));
    Result subResult = fetch(sub);
    ASSERT_TRUE(subResult.bundle);
    EXPECT_EQ("/sub", subResult.bundle->bundlePath());
}

TEST(VLBundleProvider, NoProviderOrAWrongAnswerIsError401AndProviderErrorsPassThrough) {
    const std::pair<const char*, Result> cases[] = {
        {"No matched bundle provider to fetch", fetch(VLUnservedPayload())},
        {"bundle must be a subclass of VLBundle", fetch(VLTestProviderPayload(std::string("not a bundle")))},
        {"bundle must be a subclass of VLBundle", fetch(VLTestProviderPayload(std::any()))},
    };
    for (const auto& [description, result] : cases) {
        EXPECT_EQ(1, result.calls);
        EXPECT_EQ(nullptr, result.bundle);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(VLBundleProviderErrorDomain, result.error->domain());
        EXPECT_EQ(401, result.error->code());
        EXPECT_EQ(description, result.error->localizedDescription());
    }
    VLErrorRef own = VLMakeError("Elsewhere", 9, "offline");
    Result passed = fetch(VLTestProviderPayload(std::any(), own));
    EXPECT_EQ(own, passed.error);
    EXPECT_EQ(nullptr, passed.bundle);
}
