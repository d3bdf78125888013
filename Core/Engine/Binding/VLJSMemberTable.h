#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The members of one kind (functions, properties, constants) of a binding class by name, each in a
// slot. A class starts from a copy of its superclass's table, so an inherited member keeps its slot in
// every subclass, and a subclass that registers the name again overrides it in that slot: a callback
// of a superclass finds the most derived registration for a subclass instance by slot, without a
// lookup by name. Built once per class, then read-only.
template <typename Entry>
class VLJSMemberTable {
public:
    // Starts from the superclass's members.
    void inherit(const VLJSMemberTable& superclass) {
        _members = superclass._members;
        _slots = superclass._slots;
        _inheritedOrder = superclass.order();
        _ownOrder.clear();
        _own.assign(_members.size(), false);
    }

    // The class's own registration of the name: it overrides an inherited one in its slot, a new name
    // takes the next slot. Nothing when the class registered the name already (the first stands).
    std::optional<uint32_t> add(std::string_view name, Entry entry) {
        auto [found, added] = _slots.try_emplace(std::string(name), uint32_t(_members.size()));
        const uint32_t slot = found->second;
        if (added) {
            _members.push_back({found->first, std::move(entry)});
            _own.push_back(true);
        } else {
            if (_own[slot])
                return std::nullopt;
            _members[slot].entry = std::move(entry);
            _own[slot] = true;
        }
        _ownOrder.push_back(slot);
        return slot;
    }

    // Room for `count` more members.
    void reserve(size_t count) {
        _members.reserve(_members.size() + count);
        _slots.reserve(_slots.size() + count);
        _own.reserve(_own.size() + count);
        _ownOrder.reserve(_ownOrder.size() + count);
    }

    bool contains(std::string_view name) const { return _slots.find(name) != _slots.end(); }
    // The most derived registration of the name, or nullptr.
    const Entry* find(std::string_view name) const {
        auto found = _slots.find(name);
        return found == _slots.end() ? nullptr : &_members[found->second].entry;
    }
    const Entry& operator[](uint32_t slot) const { return _members[slot].entry; }
    const std::string& nameAt(uint32_t slot) const { return _members[slot].name; }
    size_t size() const { return _members.size(); }

    // The slots in the order the class presents its members: its own registrations, then the inherited
    // ones it did not override, in their superclass's order.
    std::vector<uint32_t> order() const {
        std::vector<uint32_t> slots = _ownOrder;
        for (uint32_t slot : _inheritedOrder) {
            if (!_own[slot])
                slots.push_back(slot);
        }
        return slots;
    }

private:
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    struct Member {
        std::string name;
        Entry entry;
    };

    std::vector<Member> _members;
    std::unordered_map<std::string, uint32_t, NameHash, std::equal_to<>> _slots;
    std::vector<bool> _own; // by slot: registered by this class itself
    std::vector<uint32_t> _ownOrder;
    std::vector<uint32_t> _inheritedOrder;
};
