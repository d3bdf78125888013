#include "Tests/Support/VLTableHostResolver.h"

#include "Platform/Foundation/VLUnicode.h"

#include <stdexcept>

namespace {

std::vector<VLNetworkAddress> parse(const std::vector<std::string>& literals) {
    std::vector<VLNetworkAddress> addresses;
    for (const std::string& literal : literals) {
        std::optional<VLNetworkAddress> address = VLNetworkAddress::fromLiteral(literal);
        if (!address)
            throw std::invalid_argument("not an address literal: " + literal);
        addresses.push_back(*address);
    }
    return addresses;
}

// Names compare as a name server compares them: without regard to case or a trailing dot.
std::string key(std::string name) {
    while (!name.empty() && name.back() == '.')
        name.pop_back();
    return VLASCIILowercaseString(name);
}

} // namespace

void VLTableHostResolver::answer(const std::string& name, const std::vector<std::string>& addresses) {
    answerInTurn(name, {addresses});
}

void VLTableHostResolver::answerInTurn(const std::string& name,
                                       const std::vector<std::vector<std::string>>& answers) {
    std::deque<std::vector<VLNetworkAddress>> parsed;
    for (const auto& answer : answers)
        parsed.push_back(parse(answer));
    std::lock_guard lock(_lock);
    _answers[key(name)] = std::move(parsed);
}

int VLTableHostResolver::lookups(const std::string& name) const {
    std::lock_guard lock(_lock);
    const auto found = _lookups.find(key(name));
    return found == _lookups.end() ? 0 : found->second;
}

void VLTableHostResolver::holdLookups(const std::string& name, std::shared_ptr<VLTestSignal> hold) {
    std::lock_guard lock(_lock);
    _holds[key(name)] = std::move(hold);
}

std::vector<VLNetworkAddress> VLTableHostResolver::addressesForName(const std::string& name) {
    std::shared_ptr<VLTestSignal> hold;
    {
        std::lock_guard lock(_lock);
        ++_lookups[key(name)];
        if (const auto held = _holds.find(key(name)); held != _holds.end())
            hold = held->second;
    }
    if (hold && !hold->wait())
        return {};
    std::lock_guard lock(_lock);
    const auto found = _answers.find(key(name));
    if (found == _answers.end() || found->second.empty())
        return {};
    std::vector<VLNetworkAddress> addresses = found->second.front();
    if (found->second.size() > 1)
        found->second.pop_front();
    return addresses;
}

VLScopedTableHostResolver::VLScopedTableHostResolver() : _previous(VLHostResolver::shared()) {
    VLHostResolver::setShared(_resolver);
}

VLScopedTableHostResolver::~VLScopedTableHostResolver() {
    VLHostResolver::setShared(_previous == VLHostResolver::system() ? nullptr : _previous);
}
