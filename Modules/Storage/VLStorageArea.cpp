#include "Modules/Storage/VLStorageArea.h"

#include "Modules/Storage/VLStorageFile.h"
#include "Modules/Storage/VLSyncStorage.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLUnicode.h"
#include "Platform/Foundation/VLWeakObservers.h"

#include <cstdlib>
#include <unordered_map>
#include <utility>

namespace {

// The path without its last component: "/" for "/a", "" for "a".
std::string parentPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The path through its deepest existing ancestor's real path, the rest appended as it stands, so that
// one file reached through different links or spellings gives one text.
std::string resolvedPath(const std::string& path) {
    const std::string standardized = VLStandardizedPath(path);
    std::vector<std::string> stripped;
    for (std::string remaining = standardized; remaining.size() >= 2; remaining = parentPath(remaining)) {
        if (char* real = realpath(remaining.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            for (auto component = stripped.rbegin(); component != stripped.rend(); ++component)
                resolved = VLPathByAppendingComponent(resolved, *component);
            return resolved;
        }
        stripped.emplace_back(VLLastPathComponent(remaining));
    }
    return standardized;
}

// The shared areas by resolved path, held weakly; entries of areas gone are pruned as the map is used.
std::mutex gAreasLock; // guards gAreas
auto& gAreas = *new std::unordered_map<std::string, std::weak_ptr<VLStorageArea>>;

size_t itemSize(const std::string& key, const std::string& value) {
    return VLUTF16Length(key) + VLUTF16Length(value);
}

} // namespace

size_t VLStorageJSONLength(std::string_view utf8) {
    size_t length = 0;
    for (const char character : utf8) {
        const auto byte = static_cast<unsigned char>(character);
        switch (byte) {
        case '"':
        case '\\':
        case '\b':
        case '\t':
        case '\n':
        case '\f':
        case '\r':
            length += 2;
            break;
        default:
            if (byte < 0x20)
                length += 6;
            else if (byte < 0x80 || (byte >= 0xC0 && byte < 0xF0))
                length += 1; // a unit of one, two or three bytes
            else if (byte >= 0xF0)
                length += 2; // a surrogate pair
            break;           // continuation bytes are counted with their lead
        }
    }
    return length;
}

VLStorageArea::VLStorageArea(std::optional<std::string> path, bool syncs)
    : _path(std::move(path)), _syncs(syncs) {}

std::shared_ptr<VLStorageArea> VLStorageArea::areaWithPath(const std::string& path) {
    return areaWithPath(path, false);
}

std::shared_ptr<VLStorageArea> VLStorageArea::syncAreaWithPath(const std::string& path) {
    return areaWithPath(path, true);
}

std::shared_ptr<VLStorageArea> VLStorageArea::areaWithPath(const std::string& path, bool syncs) {
    const std::string resolved = resolvedPath(path);
    std::lock_guard lock(gAreasLock);
    std::erase_if(gAreas, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<VLStorageArea>& held = gAreas[resolved];
    if (std::shared_ptr<VLStorageArea> area = held.lock())
        return area;
    auto area = std::make_shared<VLStorageArea>(resolved, syncs);
    area->load();
    held = area;
    return area;
}

std::shared_ptr<VLStorageArea> VLStorageArea::memoryArea() {
    return std::make_shared<VLStorageArea>(std::nullopt, false);
}

std::shared_ptr<VLStorageArea> VLStorageArea::syncMemoryArea() {
    return std::make_shared<VLStorageArea>(std::nullopt, true);
}

void VLStorageArea::flush() {
    VLStorageFile::queue()->sync([] {});
}

void VLStorageArea::load() {
    VLStorageFile::Contents contents = VLStorageFile::read(*_path);
    std::lock_guard lock(_lock);
    _keepsUnreadableFile = contents.unreadable;
    // Pairs of texts, the first of a key winning; a last odd element is no pair.
    for (size_t i = 0; i + 1 < contents.elements.size(); i += 2) {
        std::optional<std::string>& key = contents.elements[i];
        std::optional<std::string>& value = contents.elements[i + 1];
        if (!key || !value || _items.find(*key))
            continue;
        _size += itemSize(*key, *value);
        _items.set(*key, std::move(*value));
    }
}

size_t VLStorageArea::length() const {
    std::lock_guard lock(_lock);
    return _items.count();
}

std::optional<std::string> VLStorageArea::keyAtIndex(size_t index) const {
    std::lock_guard lock(_lock);
    const std::string* key = _items.keyAtIndex(index);
    return key ? std::optional<std::string>(*key) : std::nullopt;
}

std::optional<std::string> VLStorageArea::itemForKey(const std::string& key) const {
    std::lock_guard lock(_lock);
    const std::string* value = _items.find(key);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

VLStorageArea::Result VLStorageArea::setItem(const std::string& item, const std::string& key) {
    {
        std::lock_guard lock(_lock);
        const std::string* old = _items.find(key);
        if (old && *old == item)
            return Stored;
        // Judged by the size the change leaves: an area loaded over its quota may still shrink.
        const size_t size = _size - (old ? itemSize(key, *old) : 0) + itemSize(key, item);
        if (size > (_syncs ? syncQuota() : quota()))
            return OverQuota;
        if (_syncs && !old && _items.count() >= syncMaximumKeyCount())
            return TooManyKeys;
        if (_syncs && VLStorageJSONLength(key) + VLStorageJSONLength(item) > syncMaximumItemLength())
            return ItemTooLong;
        _items.set(key, item);
        _size = size;
        scheduleWrite();
    }
    didChange();
    return Stored;
}

void VLStorageArea::removeItemForKey(const std::string& key) {
    {
        std::lock_guard lock(_lock);
        const std::string* old = _items.find(key);
        if (!old)
            return;
        _size -= itemSize(key, *old);
        _items.remove(key);
        scheduleWrite();
    }
    didChange();
}

void VLStorageArea::clear() {
    {
        std::lock_guard lock(_lock);
        if (_items.count() == 0)
            return;
        _items.clear();
        _size = 0;
        scheduleWrite();
    }
    didChange();
}

VLDictionary VLStorageArea::items() const {
    std::lock_guard lock(_lock);
    VLDictionary items;
    items.reserve(_items.count());
    _items.forEach([&](const std::string& key, const std::string& value) { items.set(key, value); });
    return items;
}

size_t VLStorageArea::size() const {
    std::lock_guard lock(_lock);
    return _size;
}

void VLStorageArea::applyChanges(const VLDictionary& changes) {
    std::vector<VLStorageAreaChange> applied;
    std::vector<std::shared_ptr<VLStorageAreaObserver>> observers;
    {
        std::lock_guard lock(_lock);
        for (const auto& [key, entry] : changes) {
            const std::optional<std::string> value =
                entry.isString() ? std::optional<std::string>(entry.stringValue()) : std::nullopt;
            const std::string* current = _items.find(key);
            if (current ? value == *current : !value)
                continue;
            std::optional<std::string> oldValue;
            if (current) {
                _size -= itemSize(key, *current);
                oldValue = *current;
            }
            if (value) {
                _items.set(key, *value);
                _size += itemSize(key, *value);
            } else {
                _items.remove(key);
            }
            applied.push_back({key, std::move(oldValue), value});
        }
        if (applied.empty())
            return;
        scheduleWrite();
        for (const std::weak_ptr<VLStorageAreaObserver>& held : _observers) {
            if (std::shared_ptr<VLStorageAreaObserver> observer = held.lock())
                observers.push_back(std::move(observer));
        }
    }
    const std::shared_ptr<VLStorageArea> self = shared_from_this();
    for (const std::shared_ptr<VLStorageAreaObserver>& observer : observers)
        observer->storageArea(self, applied);
}

void VLStorageArea::addObserver(const std::shared_ptr<VLStorageAreaObserver>& observer) {
    std::lock_guard lock(_lock);
    VLAddWeakObserver(_observers, std::weak_ptr(observer));
}

void VLStorageArea::removeObserver(const VLStorageAreaObserver* observer) {
    std::lock_guard lock(_lock);
    std::erase_if(_observers, [observer](const std::weak_ptr<VLStorageAreaObserver>& held) {
        const std::shared_ptr<VLStorageAreaObserver> live = held.lock();
        return !live || live.get() == observer;
    });
}

void VLStorageArea::scheduleWrite() {
    if (!_path || std::exchange(_writeScheduled, true))
        return;
    VLStorageFile::queue()->async([self = shared_from_this()] { self->write(); });
}

void VLStorageArea::write() {
    std::vector<std::string> elements;
    bool keepsUnreadableFile;
    {
        std::lock_guard lock(_lock);
        _writeScheduled = false;
        elements.reserve(2 * _items.count());
        _items.forEach([&](const std::string& key, const std::string& value) {
            elements.push_back(key);
            elements.push_back(value);
        });
        keepsUnreadableFile = std::exchange(_keepsUnreadableFile, false);
    }
    VLStorageFile::write(*_path, elements, keepsUnreadableFile);
}

void VLStorageArea::didChange() {
    if (!_syncs || !_path)
        return;
    {
        std::lock_guard lock(_lock);
        if (std::exchange(_notificationScheduled, true))
            return;
    }
    VLMainQueue::async([weakSelf = weak_from_this(), directory = parentPath(*_path)] {
        if (std::shared_ptr<VLStorageArea> self = weakSelf.lock()) {
            std::lock_guard lock(self->_lock);
            self->_notificationScheduled = false;
        }
        VLNotificationCenter::defaultCenter().post(VLSyncStorageDidChangeNotification, nullptr,
                                                   {{VLSyncStorageDataDirectoryKey, directory}});
    });
}
