#include "Platform/Graphics/VLGLFunctions.h"
#include "Platform/Graphics/VLGLLoader.h"

#include <gtest/gtest.h>

namespace {

TEST(VLGLLoaderTests, TheLoadBindsEveryCoreEntryPoint) {
    ASSERT_TRUE(VLGLLoader::load()) << VLGLLoader::failureReason();
    EXPECT_TRUE(VLGLLoader::load());
    EXPECT_EQ(VLGLLoader::failureReason(), "");
#define VL_GL_EXPECT_BOUND(name, type) EXPECT_NE(name, nullptr) << #name;
    VL_EGL_CORE_FUNCTIONS(VL_GL_EXPECT_BOUND)
    VL_GLES_CORE_FUNCTIONS(VL_GL_EXPECT_BOUND)
#undef VL_GL_EXPECT_BOUND
    // Too late to change the libraries.
    VLGLLoader::setLibraryNames("missing", "missing");
    EXPECT_TRUE(VLGLLoader::load());
}

TEST(VLGLLoaderTests, ExtensionListsHoldWholeNamesOnly) {
    struct Row {
        const char* list;
        const char* name;
        bool contains;
    };
    const Row rows[] = {
        {"EGL_KHR_a EGL_EXT_b", "EGL_KHR_a", true},
        {"EGL_KHR_a EGL_EXT_b", "EGL_EXT_b", true},
        {"EGL_KHR_a EGL_EXT_b ", "EGL_EXT_b", true},
        {"EGL_KHR_a_more EGL_EXT_b", "EGL_KHR_a", false},
        {"EGL_KHR_a EGL_EXT_bc", "EGL_EXT_b", false},
        {"XEGL_KHR_a", "EGL_KHR_a", false},
        {"", "EGL_KHR_a", false},
        {nullptr, "EGL_KHR_a", false},
        {"EGL_KHR_a", "", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(VLGLExtensionListContains(row.list, row.name), row.contains)
            << (row.list ? row.list : "null") << " / " << row.name;
}

} // namespace
