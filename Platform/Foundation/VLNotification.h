#pragma once

#include <any>
#include <functional>
#include <map>
#include <string>
#include <string_view>

// The user info of a notification. Entries are std::any rather than VLValue: next to strings and
// numbers they carry native pointers (a script's global context handed to modules at its end) with
// their exact type, which values meant for JSON and property lists do not and should not hold.
// Readers ask for the exact type they expect (userInfoValue<T>), so a wrong type reads as absent.
using VLNotificationUserInfo = std::map<std::string, std::any, std::less<>>;

// Something that happened: a name, the object it happened to (compared by identity only, never
// dereferenced by the centre) and optional details. Immutable once made.
class VLNotification {
public:
    explicit VLNotification(std::string name, const void* object = nullptr,
                            VLNotificationUserInfo userInfo = {})
        : _name(std::move(name)), _object(object), _userInfo(std::move(userInfo)) {}

    const std::string& name() const { return _name; }
    const void* object() const { return _object; }
    const VLNotificationUserInfo& userInfo() const { return _userInfo; }

    // The entry under `key` when it holds exactly a T; nullptr when absent or of another type.
    template <class T>
    const T* userInfoValue(std::string_view key) const {
        auto it = _userInfo.find(key);
        return it == _userInfo.end() ? nullptr : std::any_cast<T>(&it->second);
    }

private:
    std::string _name;
    const void* _object;
    VLNotificationUserInfo _userInfo;
};
