#pragma once

#include "Platform/Network/VLHostResolver.h"
#include "Tests/Support/VLTestSignal.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A resolver for tests that answers names from a table and never asks a name server: an unknown name
// has no addresses; case and trailing dots do not count. A name may be given several answers, used in turn
// (the last one stays), as a name server that changes its mind would. Any thread.
class VLTableHostResolver final : public VLHostResolver {
public:
    // Sets the one answer for the name: address literals, e.g. {"127.0.0.1"}.
    void answer(const std::string& name, const std::vector<std::string>& addresses);
    // Answers the name with each list in turn, then keeps giving the last one.
    void answerInTurn(const std::string& name, const std::vector<std::vector<std::string>>& answers);
    // Lookups of the name wait until the signal is raised; nullptr answers at once again.
    void holdLookups(const std::string& name, std::shared_ptr<VLTestSignal> hold);
    // How often the name was asked for (held lookups included).
    int lookups(const std::string& name) const;

    std::vector<VLNetworkAddress> addressesForName(const std::string& name) override;

private:
    mutable std::mutex _lock; // guards the members below
    std::map<std::string, std::deque<std::vector<VLNetworkAddress>>> _answers;
    std::map<std::string, int> _lookups;
    std::map<std::string, std::shared_ptr<VLTestSignal>> _holds;
};

// Puts a table resolver in the process's place for the scope of one test, and the one before it back
// afterwards.
class VLScopedTableHostResolver {
public:
    VLScopedTableHostResolver();
    ~VLScopedTableHostResolver();
    VLScopedTableHostResolver(const VLScopedTableHostResolver&) = delete;
    VLScopedTableHostResolver& operator=(const VLScopedTableHostResolver&) = delete;

    VLTableHostResolver* operator->() const { return _resolver.get(); }

private:
    std::shared_ptr<VLTableHostResolver> _resolver = std::make_shared<VLTableHostResolver>();
    std::shared_ptr<VLHostResolver> _previous;
};
