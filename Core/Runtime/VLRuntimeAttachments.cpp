#include "Core/Runtime/VLRuntimeAttachments.h"

std::shared_ptr<void> VLRuntimeAttachments::attachment(std::string_view key) const {
    std::lock_guard lock(_lock);
    auto found = _attachments.find(key);
    return found == _attachments.end() ? nullptr : found->second;
}

std::shared_ptr<void> VLRuntimeAttachments::attachment(std::string_view key, const Factory& factory) {
    std::lock_guard lock(_lock);
    if (auto found = _attachments.find(key); found != _attachments.end())
        return found->second;
    std::shared_ptr<void> made = factory();
    if (made)
        _attachments.emplace(std::string(key), made);
    return made;
}

void VLRuntimeAttachments::removeAttachment(std::string_view key) {
    std::shared_ptr<void> removed;
    {
        std::lock_guard lock(_lock);
        auto found = _attachments.find(key);
        if (found == _attachments.end())
            return;
        removed = std::move(found->second);
        _attachments.erase(found);
    }
}
