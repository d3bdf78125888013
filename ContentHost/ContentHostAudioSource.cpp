#include "ContentHost/ContentHostAudioSource.h"

#include "ContentHost/ContentHostConnection.h"

ContentHostAudioSource::ContentHostAudioSource(std::shared_ptr<ContentHostConnection> connection)
    : _connection(std::move(connection)) {}

void ContentHostAudioSource::systemAudioWantedDidChange(bool wanted, bool mayAsk) {
    _connection->sendFromMainQueue({{"op", "audioWanted"}, {"wanted", wanted}, {"mayAsk", mayAsk}});
}

void ContentHostAudioSource::systemAudioAccessShouldBeRechecked() {
    _connection->sendFromMainQueue({{"op", "audioRecheck"}});
}
