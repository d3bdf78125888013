#include "ContentHost/ContentHostUserFiles.h"

#include "ContentHost/ContentHostConnection.h"
#include "ContentHost/ContentHostReading.h"

#include <algorithm>

ContentHostUserFiles::ContentHostUserFiles(std::shared_ptr<ContentHostConnection> connection)
    : _connection(std::move(connection)) {}

void ContentHostUserFiles::runtimeTrashFileAtURL(const std::shared_ptr<VLRuntime>&, const VLURL& url,
                                                 FileCompletion completion) {
    requestFile({{"op", "userFiles"}, {"action", "trash"}, {"path", url.path()}}, std::move(completion));
}

void ContentHostUserFiles::runtimeRestoreFileWithIdentifier(const std::shared_ptr<VLRuntime>&,
                                                            const std::string& identifier,
                                                            FileCompletion completion) {
    requestFile({{"op", "userFiles"}, {"action", "restore"}, {"fileId", identifier}}, std::move(completion));
}

void ContentHostUserFiles::runtimeListFilesWithCompletion(const std::shared_ptr<VLRuntime>&,
                                                          ListCompletion completion) {
    _connection->request({{"op", "userFiles"}, {"action", "list"}}, [completion = std::move(completion)](
                                                                        const VLDictionary* reply) {
        const VLArray* files = reply ? ContentHostReading::array(reply->get("files")) : nullptr;
        const bool described =
            files && std::ranges::all_of(*files, [](const VLValue& file) { return file.isDictionary(); });
        completion(described ? *files : VLArray{});
    });
}

void ContentHostUserFiles::requestFile(VLDictionary message, FileCompletion completion) {
    _connection->request(std::move(message), [completion = std::move(completion)](const VLDictionary* reply) {
        if (reply && reply->get("file").isDictionary()) {
            completion(reply->get("file"), std::nullopt);
            return;
        }
        const std::string* reason = reply ? ContentHostReading::text(reply->get("reason")) : nullptr;
        completion(VLValue(), reason ? *reason : std::string("failed"));
    });
}
