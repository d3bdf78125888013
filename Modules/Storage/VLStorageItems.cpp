#include "Modules/Storage/VLStorageItems.h"

const std::string* VLStorageItems::find(const std::string& key) const {
    const auto found = _values.find(key);
    return found == _values.end() ? nullptr : &found->second.value;
}

void VLStorageItems::set(const std::string& key, std::string value) {
    const auto [entry, inserted] = _values.try_emplace(key);
    entry->second.value = std::move(value);
    if (inserted) {
        entry->second.position = _order.size();
        _order.push_back(&*entry);
    }
}

bool VLStorageItems::remove(const std::string& key) {
    const auto found = _values.find(key);
    if (found == _values.end())
        return false;
    _order[found->second.position] = nullptr;
    _values.erase(found);
    ++_holes;
    // Holes never outnumber the keys by much, so a long run of removals takes no more room than the keys.
    if (_holes > _values.size() + 64)
        closeHoles();
    return true;
}

void VLStorageItems::clear() {
    _values.clear();
    _order.clear();
    _holes = 0;
}

const std::string* VLStorageItems::keyAtIndex(size_t index) {
    if (index >= _values.size())
        return nullptr;
    closeHoles();
    return &_order[index]->first;
}

void VLStorageItems::closeHoles() {
    if (_holes == 0)
        return;
    std::erase(_order, nullptr);
    for (size_t position = 0; position < _order.size(); ++position)
        _order[position]->second.position = position;
    _holes = 0;
}
