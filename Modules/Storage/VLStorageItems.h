#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

// The items of a storage area: texts by key, keys in the order they were first set (a changed value
// keeps its key's place). Setting, finding and removing cost the same however many items there are, so
// that filling an area stays linear; removed keys leave holes in the order, closed when a key is next
// asked for by position. Not thread-safe: the area's lock guards it.
class VLStorageItems final {
public:
    size_t count() const { return _values.size(); }
    // nullptr when the key has no value.
    const std::string* find(const std::string& key) const;
    // Appends a new key, or replaces the value of one already there.
    void set(const std::string& key, std::string value);
    // Whether the key was there.
    bool remove(const std::string& key);
    void clear();
    // The key at that position of the order; nullptr past the end.
    const std::string* keyAtIndex(size_t index);

    // Calls the block with each key and value, in order.
    template <typename Block>
    void forEach(Block&& block) const {
        for (const Node* node : _order) {
            if (node)
                block(node->first, node->second.value);
        }
    }

private:
    struct Entry {
        std::string value;
        size_t position = 0;
    };

    using Map = std::unordered_map<std::string, Entry>;
    using Node = Map::value_type;

    void closeHoles();

    // The nodes of the map stay in place while they live, which lets the order point at them.
    Map _values;
    std::vector<Node*> _order; // nullptr where a key was removed
    size_t _holes = 0;
};
