#include "Platform/Foundation/VLMIMETypeDatabase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

TEST(VLMIMETypeDatabase, ReadsTheFirstTypeListedForEachExtension) {
    std::string path = testing::TempDir() + "velto-mime.types";
    std::ofstream(path) << "# comment line\n"
                           "text/plain\t\ttxt text # trailing comment\n"
                           "application/x-empty\n"
                           "\n"
                           "text/x-other    txt Weird\n";
    VLMIMETypeDatabase database(path);
    EXPECT_EQ("text/plain", database.preferredMIMETypeForExtension("txt"));
    EXPECT_EQ("text/plain", database.preferredMIMETypeForExtension("TEXT"));
    EXPECT_EQ("text/x-other", database.preferredMIMETypeForExtension("weird"));
    EXPECT_EQ(std::nullopt, database.preferredMIMETypeForExtension("comment"));
    EXPECT_EQ(std::nullopt, database.preferredMIMETypeForExtension(""));
    EXPECT_EQ("txt", database.preferredExtensionForMIMEType("Text/Plain"));
    EXPECT_EQ("txt", database.preferredExtensionForMIMEType("text/x-other"));
    EXPECT_EQ(std::nullopt, database.preferredExtensionForMIMEType("application/x-empty"));
    std::remove(path.c_str());

    EXPECT_EQ(std::nullopt, VLMIMETypeDatabase("/no/such/file").preferredMIMETypeForExtension("txt"));
}
