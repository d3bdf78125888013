#include "Modules/Storage/VLStorageArea.h"
#include "Modules/Storage/VLStorageFile.h"
#include "Modules/Storage/VLSyncStorage.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

std::ostream& operator<<(std::ostream& out, const VLStorageAreaChange& change) {
    return out << change.key << ": " << change.oldValue.value_or("(none)") << " -> "
               << change.value.value_or("(none)");
}

namespace {

// The notifications posted, by directory.
class NotificationRecorder {
public:
    NotificationRecorder()
        : _observer(VLNotificationCenter::defaultCenter().addObserver(
              VLSyncStorageDidChangeNotification, nullptr, [this](const VLNotification& notification) {
                  const auto* directory =
                      notification.userInfoValue<std::string>(VLSyncStorageDataDirectoryKey);
                  directories.push_back(directory ? *directory : "(none)");
              })) {}

    // Runs the main queue until what is queued there now has run.
    void drainMainQueue() {
        bool drained = false;
        VLMainQueue::async([&drained] { drained = true; });
        ASSERT_TRUE(VLMainQueue::runUntil([&] { return drained; }));
    }

    std::vector<std::string> directories;

private:
    std::shared_ptr<VLNotificationCenter::Observer> _observer;
};

struct RecordingObserver final : VLStorageAreaObserver {
    void storageArea(const std::shared_ptr<VLStorageArea>&,
                     const std::vector<VLStorageAreaChange>& changes) override {
        calls.push_back(changes);
    }
    std::vector<std::vector<VLStorageAreaChange>> calls;
};

class VLSyncStorageTest : public testing::Test {
protected:
    void SetUp() override {
        VLStorageFile::setWriter([this](const std::string& path, std::span<const uint8_t> bytes) {
            ++writes;
            return VLWriteFileAtomically(path, bytes);
        });
    }
    void TearDown() override {
        VLStorageArea::flush();
        VLStorageFile::setWriter(nullptr);
    }

    std::string canonicalDirectory() const { return std::filesystem::canonical(directory.path()).string(); }

    VLTemporaryDirectory directory{"velto-sync-storage"};
    std::atomic<int> writes{0};
};

} // namespace

TEST_F(VLSyncStorageTest, ContentChangesBeforeTheMainQueueRunsPostOneNotificationNamingTheDirectory) {
    NotificationRecorder recorder;
    const std::shared_ptr<VLSyncStorage> storage = VLSyncStorage::storageInDataDirectory(directory.path());
    const std::shared_ptr<VLStorageArea> area =
        VLStorageArea::syncAreaWithPath((directory / VLSyncStorageFileName).string());
    area->setItem("1", "a");
    area->setItem("2", "b");
    area->removeItemForKey("a");
    recorder.drainMainQueue();
    EXPECT_EQ(std::vector<std::string>{canonicalDirectory()}, recorder.directories);
    EXPECT_EQ((std::map<std::string, std::string>{{"b", "2"}}), storage->items()) << "the same area";

    // A refused or empty change is no change; the next burst gets a notification of its own.
    area->setItem("2", "b");
    area->setItem(std::string(61440, 'x'), "c");
    area->removeItemForKey("missing");
    recorder.drainMainQueue();
    EXPECT_EQ(1u, recorder.directories.size());
    area->clear();
    recorder.drainMainQueue();
    EXPECT_EQ(2u, recorder.directories.size());

    // Neither local areas nor synchronised ones without a file post anything.
    const std::shared_ptr<VLStorageArea> local =
        VLStorageArea::areaWithPath((directory / "LocalStorage.plist").string());
    local->setItem("1", "a");
    local->clear();
    VLStorageArea::syncMemoryArea()->setItem("1", "a");
    recorder.drainMainQueue();
    EXPECT_EQ(2u, recorder.directories.size());
}

TEST_F(VLSyncStorageTest, AppliedChangesTellTheObserversOfWhatChangedAndAreNeverReportedBack) {
    NotificationRecorder recorder;
    const std::shared_ptr<VLSyncStorage> storage = VLSyncStorage::storageInDataDirectory(directory.path());
    const std::shared_ptr<VLStorageArea> area =
        VLStorageArea::syncAreaWithPath((directory / VLSyncStorageFileName).string());
    auto observer = std::make_shared<RecordingObserver>();
    area->addObserver(observer);
    area->setItem("1", "a");
    area->setItem("2", "b");
    recorder.drainMainQueue();
    VLStorageArea::flush();
    recorder.directories.clear();
    writes = 0;

    using Change = VLStorageAreaChange;
    struct Case {
        const char* name;
        VLDictionary changes;
        std::vector<Change> expected;
        VLDictionary items;
    };
    const Case cases[] = {
        {"the values the keys have",
         {{"a", "1"}, {"missing", VLValue::null()}},
         {},
         {{"a", "1"}, {"b", "2"}}},
        {"a changed value keeps its place, a new key goes last, a non-text removes",
         {{"a", "3"}, {"c", "4"}, {"b", 5}},
         {Change{"a", "1", "3"}, Change{"c", std::nullopt, "4"}, Change{"b", "2", std::nullopt}},
         {{"a", "3"}, {"c", "4"}}},
        {"a removed key added again",
         {{"b", "6"}},
         {Change{"b", std::nullopt, "6"}},
         {{"a", "3"}, {"c", "4"}, {"b", "6"}}},
    };
    size_t calls = 0;
    for (const Case& c : cases) {
        area->applyChanges(c.changes);
        if (!c.expected.empty()) {
            ++calls;
            ASSERT_EQ(calls, observer->calls.size()) << c.name;
            EXPECT_EQ(c.expected, observer->calls.back()) << c.name;
        }
        EXPECT_EQ(calls, observer->calls.size()) << c.name;
        EXPECT_EQ(c.items, area->items()) << c.name;
        VLStorageArea::flush();
        EXPECT_EQ(int(calls), writes.load()) << c.name;
    }
    recorder.drainMainQueue();
    EXPECT_TRUE(recorder.directories.empty());

    // Applied changes are held against no limit; content changes are, by the size they leave.
    storage->applyChanges({{"big", std::string(VLStorageArea::syncQuota(), 'x')}});
    EXPECT_EQ(std::string(VLStorageArea::syncQuota(), 'x'), area->itemForKey("big"));
    EXPECT_EQ(VLStorageArea::OverQuota, area->setItem("7", "d"));
    EXPECT_EQ(VLStorageArea::Stored, area->setItem("small", "big"));

    // Observers are held weakly and may leave.
    area->removeObserver(observer.get());
    area->applyChanges({{"e", "8"}});
    EXPECT_EQ(calls + 1, observer->calls.size());
}
