#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// Objects that other layers keep on a runtime, by key, without the runtime knowing their types (the
// canvas module's share group and texture loader). They live as long as the runtime, or until removed.
//
// Any thread, under a recursive lock: making an attachment may ask for another one.
class VLRuntimeAttachments {
public:
    using Factory = std::function<std::shared_ptr<void>()>;

    VLRuntimeAttachments() = default;
    VLRuntimeAttachments(const VLRuntimeAttachments&) = delete;
    VLRuntimeAttachments& operator=(const VLRuntimeAttachments&) = delete;

    std::shared_ptr<void> attachment(std::string_view key) const;
    // The attachment, made by the factory and kept when missing; a factory answering nothing keeps
    // nothing.
    std::shared_ptr<void> attachment(std::string_view key, const Factory& factory);
    // Frees it outside the lock.
    void removeAttachment(std::string_view key);

private:
    mutable std::recursive_mutex _lock; // guards _attachments
    std::map<std::string, std::shared_ptr<void>, std::less<>> _attachments;
};
