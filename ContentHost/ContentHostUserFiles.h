#pragma once

#include "Core/Launcher/Services/VLUserFilesProvider.h"

#include <memory>

class ContentHostConnection;

// Asks the main application, which keeps the files users dropped on widgets, to trash, restore or list
// them, as "userFiles" requests. Main thread only, as the connection's requests are; every completion
// is called once, at once when the connection has closed.
class ContentHostUserFiles final : public VLUserFilesProvider {
public:
    explicit ContentHostUserFiles(std::shared_ptr<ContentHostConnection> connection);

    void runtimeTrashFileAtURL(const std::shared_ptr<VLRuntime>& runtime, const VLURL& url,
                               FileCompletion completion) override;
    void runtimeRestoreFileWithIdentifier(const std::shared_ptr<VLRuntime>& runtime,
                                          const std::string& identifier, FileCompletion completion) override;
    void runtimeListFilesWithCompletion(const std::shared_ptr<VLRuntime>& runtime,
                                        ListCompletion completion) override;

private:
    // "file" as a dictionary, else the reply's "reason" ("failed" without one or without a reply).
    void requestFile(VLDictionary message, FileCompletion completion);

    const std::shared_ptr<ContentHostConnection> _connection;
};
