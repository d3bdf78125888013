#include "Core/Engine/Support/VLFileMIMEType.h"

#include <gtest/gtest.h>

TEST(VLFileMIMETypeWithAbsolutePath, AnswersByExtensionWithOctetStreamAsFallback) {
    struct Case {
        const char* path;
        const char* type;
    };
    const Case cases[] = {
        {"/w/image.png", "image/png"},
        {"/w/IMAGE.PNG", "image/png"},
        {"/w/archive.tar.gz", "application/gzip"},
        {"/w/data.json", "application/json"},
        {"/w/script.js", "text/javascript"},
        {"/w/folder.png/", "image/png"},
        {"/w/README", "application/octet-stream"},
        {"/w.d/README", "application/octet-stream"},
        {"/w/.profile", "application/octet-stream"},
        {"/w/name.", "application/octet-stream"},
        {"/w/name.no-such-extension", "application/octet-stream"},
        {"", "application/octet-stream"},
    };
    for (int round = 0; round < 2; ++round) { // the second round answers from the cache
        for (const Case& c : cases)
            EXPECT_EQ(c.type, VLFileMIMETypeWithAbsolutePath(c.path)) << c.path;
    }
}
