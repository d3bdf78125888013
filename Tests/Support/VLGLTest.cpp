#include "Tests/Support/VLGLTest.h"

#include "Modules/Canvas/GL/VLEGLSharegroup.h"

#include <map>

namespace {

// The suite's contexts by api; on the test thread.
std::map<int, std::shared_ptr<VLEGLContext>>& sharedContexts() {
    static std::map<int, std::shared_ptr<VLEGLContext>> contexts;
    return contexts;
}

} // namespace

std::shared_ptr<VLEGLContext> VLGLTest::sharedContext(int api) {
    std::map<int, std::shared_ptr<VLEGLContext>>& contexts = sharedContexts();
    std::shared_ptr<VLEGLContext>& context = contexts[api];
    if (!context) {
        std::shared_ptr<VLEGLSharegroup> sharegroup;
        for (const auto& [otherAPI, other] : contexts) {
            if (other)
                sharegroup = other->sharegroup();
        }
        context = VLEGLContext::create(api, sharegroup);
    }
    EXPECT_TRUE(context->isValid()) << "no context of api " << api;
    return context;
}

std::shared_ptr<VLEGLContext> VLGLTest::makeCurrentSharedContext(int api) {
    std::shared_ptr<VLEGLContext> context = sharedContext(api);
    EXPECT_TRUE(VLEGLContext::setCurrentContext(context));
    return context;
}

void VLGLTest::TearDownTestSuite() {
    sharedContexts().clear();
}

void VLGLTest::TearDown() {
    VLEGLContext::setCurrentContext(nullptr);
}
