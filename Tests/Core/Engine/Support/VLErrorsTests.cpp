#include "Core/Engine/Support/VLErrorBuilder.h"
#include "Core/Engine/Support/VLErrors.h"

#include <gtest/gtest.h>

TEST(VLMakeError, PutsTheMessageInDescriptionAndReason) {
    VLErrorRef error = VLMakeError("VLRuntimeErrorDomain", 202, "The package has no index.js");
    EXPECT_EQ("VLRuntimeErrorDomain", error->domain());
    EXPECT_EQ(202, error->code());
    EXPECT_EQ("The package has no index.js", error->localizedDescription());
    EXPECT_EQ("The package has no index.js", error->localizedFailureReason());
    EXPECT_EQ(2u, error->userInfo().size());
    EXPECT_TRUE(error->extraData().isNil());

    VLErrorRef empty = VLMakeError("d", 1, "");
    EXPECT_EQ("", empty->localizedDescription());
    EXPECT_EQ(2u, empty->userInfo().size());

    EXPECT_EQ("value 3", VLMakeError("d", 1, "value %@", 3)->localizedDescription());
}

TEST(VLErrorBuilder, LeavesOutEmptyPartsAndDefaultsTheDomain) {
    VLErrorRef onlyMessage = VLErrorBuilder::builder().setMessage("boom %d", 1).build();
    EXPECT_EQ("VURozevEderid", onlyMessage->domain());
    EXPECT_EQ(0, onlyMessage->code());
    EXPECT_EQ("boom 1", onlyMessage->localizedDescription());
    EXPECT_FALSE(onlyMessage->userInfo().contains(VLLocalizedFailureReasonErrorKey));

    VLErrorBuilder builder;
    builder.setExtra(VLValue(VLArray{1})).setDetail("why").setCode(9).setDomain("first").setDomain("second");
    VLErrorRef a = builder.build();
    VLErrorRef b = builder.build();
    EXPECT_EQ(*a, *b);
    EXPECT_EQ("second", a->domain());
    EXPECT_EQ(9, a->code());
    EXPECT_EQ("why", a->localizedFailureReason());
    EXPECT_FALSE(a->userInfo().contains(VLLocalizedDescriptionKey));
    EXPECT_EQ(VLValue(VLArray{1}), a->extraData());
}
