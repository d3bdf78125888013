#pragma once

#include "Core/Engine/Binding/VLJSClassInfo.h"

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

// The binding classes of a scope by their JavaScript names; a later class of the same name replaces
// an earlier one. Made once, then read from any thread.
class VLJSClassTable {
public:
    VLJSClassTable() = default;
    VLJSClassTable(std::initializer_list<const VLJSClassInfo*> classes) {
        for (const VLJSClassInfo* bindingClass : classes)
            add(*bindingClass);
    }

    void add(const VLJSClassInfo& bindingClass) { _classes[bindingClass.name()] = &bindingClass; }
    // nullptr when no class has the name.
    const VLJSClassInfo* find(std::string_view name) const {
        auto found = _classes.find(name);
        return found == _classes.end() ? nullptr : found->second;
    }

private:
    std::map<std::string, const VLJSClassInfo*, std::less<>> _classes;
};
