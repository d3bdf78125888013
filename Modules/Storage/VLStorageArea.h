#pragma once

#include "Modules/Storage/VLStorageAreaChange.h"
#include "Modules/Storage/VLStorageAreaObserver.h"
#include "Modules/Storage/VLStorageItems.h"
#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The length a text takes inside a JSON string literal, quotes left out: each UTF-16 unit counts 1, but
// 2 for the quotation mark, the backslash, backspace, tab, line feed, form feed and carriage return, and
// 6 for every other unit below 32.
size_t VLStorageJSONLength(std::string_view utf8);

// One ordered store of texts by key, with a quota: a widget's local storage ("LocalStorage.plist") or
// synchronised storage ("SyncStorage.plist", tighter limits, changes told to the content host), or an
// area in memory only. Every user of one file in the process shares one area, found by the file's
// resolved path, so runtimes see each other's writes at once. The file is read when the area is made and
// written from the area's state on the process's storage queue, a burst of changes in one write.
//
// Any thread: the area's mutex guards its contents and is never held while calling out.
class VLStorageArea final : public std::enable_shared_from_this<VLStorageArea> {
public:
    // What setItem answers.
    enum Result : int { Stored = 0, OverQuota = 1, TooManyKeys = 2, ItemTooLong = 3 };

    // The limits, in UTF-16 units of keys and values (the item length in VLStorageJSONLength units).
    static constexpr size_t quota() { return 5242880; }
    static constexpr size_t syncQuota() { return 1048576; }
    static constexpr size_t syncMaximumKeyCount() { return 1024; }
    static constexpr size_t syncMaximumItemLength() { return 61440; }

    // The shared area of the file (local / synchronised); the first maker's kind holds for the area.
    static std::shared_ptr<VLStorageArea> areaWithPath(const std::string& path);
    static std::shared_ptr<VLStorageArea> syncAreaWithPath(const std::string& path);
    // A new area of no file, shared with nobody.
    static std::shared_ptr<VLStorageArea> memoryArea();
    static std::shared_ptr<VLStorageArea> syncMemoryArea();

    // Returns once every write queued so far has been made.
    static void flush();

    const std::optional<std::string>& path() const { return _path; }
    bool syncs() const { return _syncs; }

    size_t length() const;
    // The key at that position in the order keys were first set; nothing past the end.
    std::optional<std::string> keyAtIndex(size_t index) const;
    std::optional<std::string> itemForKey(const std::string& key) const;
    Result setItem(const std::string& item, const std::string& key);
    void removeItemForKey(const std::string& key);
    void clear();
    // A copy of the items, in key order.
    VLDictionary items() const;
    // The UTF-16 units of every key and value.
    size_t size() const;

    // Takes changes made elsewhere (the content host's): a text sets its key, any other value removes
    // it. Not held against the limits, not reported as a content change; the observers hear of what
    // changed, in the dictionary's order.
    void applyChanges(const VLDictionary& changes);

    void addObserver(const std::shared_ptr<VLStorageAreaObserver>& observer);
    // By address, so that an observer may leave while it is being destroyed.
    void removeObserver(const VLStorageAreaObserver* observer);

    // For the factories above, which load the file and share the area.
    VLStorageArea(std::optional<std::string> path, bool syncs);
    VLStorageArea(const VLStorageArea&) = delete;
    VLStorageArea& operator=(const VLStorageArea&) = delete;

private:
    static std::shared_ptr<VLStorageArea> areaWithPath(const std::string& path, bool syncs);
    // The area's file as read when it was made.
    void load();
    // Under the lock.
    void scheduleWrite();
    // On the storage queue.
    void write();
    // A content change of a synchronised area with a file: one notification for a burst of them.
    void didChange();

    const std::optional<std::string> _path;
    const bool _syncs;

    mutable std::mutex _lock; // guards everything below
    mutable VLStorageItems _items;
    size_t _size = 0;
    std::vector<std::weak_ptr<VLStorageAreaObserver>> _observers;
    bool _writeScheduled = false;
    bool _notificationScheduled = false;
    // The file could not be read: it is kept aside before anything is written over it.
    bool _keepsUnreadableFile = false;
};
