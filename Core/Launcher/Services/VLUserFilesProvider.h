#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class VLRuntime;

// The main application's hold on the files a user dropped on widgets: it moves one to the trash,
// restores a trashed one, and lists them. Implemented by the content host and handed to a runtime
// through its launch payload. Every method is called on the main queue; each calls its completion
// once, on any thread.
class VLUserFilesProvider {
public:
    // What describes the file (nil for nothing) and why the request failed (nothing when it did not).
    using FileCompletion = std::function<void(const VLValue& file, const std::optional<std::string>& reason)>;
    // The files' descriptions; nothing when none came.
    using ListCompletion = std::function<void(const std::optional<VLArray>& files)>;

    virtual ~VLUserFilesProvider() = default;

    virtual void runtimeTrashFileAtURL(const std::shared_ptr<VLRuntime>& runtime, const VLURL& url,
                                       FileCompletion completion) = 0;
    virtual void runtimeRestoreFileWithIdentifier(const std::shared_ptr<VLRuntime>& runtime,
                                                  const std::string& identifier,
                                                  FileCompletion completion) = 0;
    virtual void runtimeListFilesWithCompletion(const std::shared_ptr<VLRuntime>& runtime,
                                                ListCompletion completion) = 0;
};
