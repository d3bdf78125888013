#include "ContentHost/ContentHostLaunchPayload.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<VLLocalPathLaunchPayload> converted(VLDictionary keys) {
    keys.set("localPath", "/widgets/clock");
    return ContentHostLaunchPayload::convert(keys);
}

} // namespace

TEST(ContentHostLaunchPayload, NeedsADictionaryWithALocalPath) {
    EXPECT_FALSE(ContentHostLaunchPayload::convert(VLValue()));
    EXPECT_FALSE(ContentHostLaunchPayload::convert(VLArray{"/widgets/clock"}));
    EXPECT_FALSE(ContentHostLaunchPayload::convert(VLDictionary{{"name", "clock"}}));
    EXPECT_FALSE(ContentHostLaunchPayload::convert(VLDictionary{{"localPath", 5}}));
    const auto payload = converted({});
    ASSERT_TRUE(payload);
    EXPECT_EQ("/widgets/clock", payload->localPath());
}

TEST(ContentHostLaunchPayload, CopiesKeysByNameAndLeavesWrongOnesAlone) {
    const auto payload = converted({
        {"name", "Clock"},
        {"volume", VLValue::null()},
        {"muted", true},
        {"allowsAudio", "yes"},
        {"dataQuota", 4096},
        {"devicePixelRatio", 2},
        {"messagingNamespace", VLValue::null()},
        {"options", VLDictionary{{"city", "Oslo"}}},
        {"allowedWindowTypes", VLArray{"panel", 3}},
    });
    ASSERT_TRUE(payload);
    EXPECT_EQ("Clock", payload->name());
    EXPECT_EQ(1.0f, payload->volume()) << "null keeps the default";
    EXPECT_TRUE(payload->muted());
    EXPECT_FALSE(payload->allowsAudio()) << "a text is no boolean";
    EXPECT_EQ(4096u, payload->dataQuota());
    EXPECT_EQ(2.0, payload->devicePixelRatio());
    EXPECT_FALSE(payload->messagingNamespace());
    EXPECT_EQ((VLDictionary{{"city", "Oslo"}}), payload->options());
    EXPECT_FALSE(payload->allowedWindowTypes()) << "a list holding a number counts as absent";
    EXPECT_FALSE(payload->widgetSizing());

    EXPECT_EQ(
        (std::set<std::string>{"overlay", "panel"}),
        converted({{"allowedWindowTypes", VLArray{"panel", "overlay", "panel"}}})->allowedWindowTypes());
    EXPECT_EQ(0.25f, converted({{"volume", 0.25}})->volume());
}

TEST(ContentHostLaunchPayload, BuildsTheWidgetSizingFromValidGeometry) {
    const auto sizing = converted({{"widgetSizing",
                                    VLDictionary{
                                        {"size", VLArray{300, 200}},
                                        {"maximum", VLArray{-1, 500}},
                                        {"byUser", true},
                                        {"byContent", 1},
                                        {"ratio", VLArray{4, 3}},
                                        {"place", VLArray{-20000, 10}},
                                        {"start", VLArray{1e7, 0}},
                                    }}})
                            ->widgetSizing();
    ASSERT_TRUE(sizing);
    EXPECT_EQ(VLSize(300, 200), sizing->size());
    EXPECT_EQ(VLSize(32, 32), sizing->minimumSize()) << "without a minimum the default stays";
    EXPECT_EQ(VLSize(), sizing->maximumSize()) << "an invalid size counts as absent";
    EXPECT_TRUE(sizing->resizableByUser());
    EXPECT_TRUE(sizing->resizableByContent());
    EXPECT_EQ(VLSize(4, 3), sizing->aspectRatio());
    EXPECT_EQ(VLPoint(-20000, 10), sizing->place());
    EXPECT_FALSE(sizing->start());

    const auto empty =
        converted({{"widgetSizing", VLDictionary{{"minimum", VLArray{0, 0}}}}})->widgetSizing();
    ASSERT_TRUE(empty);
    EXPECT_EQ(VLSize(0, 0), empty->minimumSize());
    EXPECT_EQ(VLSize(), empty->size());
    EXPECT_FALSE(empty->place());
}
