#pragma once

#include "Supports/SystemStatus/VLSystemStatusSMCFunctions.h"

#include <memory>
#include <optional>
#include <vector>

class VLSMCTransport;
struct VLSMCParamRecord;

// The system-status monitor's use of the SMC: the connection, opened at each start and closed at each
// stop, the keys that stand for the processor's temperature (listed at the first successful opening),
// and the power the machine draws ("PSTR"). A missing service, a failed opening, or an SMC with neither
// a power key nor a temperature key is not tried again for the life of the object.
//
// Not thread-safe: the monitor uses it on its queue only.
class VLSystemStatusSMC {
public:
    explicit VLSystemStatusSMC(std::shared_ptr<VLSMCTransport> transport);
    ~VLSystemStatusSMC();
    VLSystemStatusSMC(const VLSystemStatusSMC&) = delete;
    VLSystemStatusSMC& operator=(const VLSystemStatusSMC&) = delete;

    // Does nothing when unavailable or open already.
    void open();
    void close();
    bool isOpen() const { return _open; }
    bool isUnavailable() const { return _unavailable; }
    const std::vector<VLSMCKeyRecord>& temperatureKeys() const { return _temperatureKeys; }

    // The mean of the temperature keys' values; nothing when closed or none is plausible.
    std::optional<double> temperature();
    // "PSTR" in watts, when it is finite, above 0 and at most 1000; nothing otherwise.
    std::optional<double> systemWatts();

private:
    // One call; whether it and the SMC succeeded.
    bool call(const VLSMCParamRecord& input, VLSMCParamRecord& output);
    bool keyInfo(uint32_t key, VLSMCKeyRecord& info);
    // The first `size` bytes of the key's value; at most 32.
    bool readBytes(uint32_t key, uint32_t size, uint8_t* bytes);
    std::vector<VLSMCKeyRecord> listTemperatureKeys();

    const std::shared_ptr<VLSMCTransport> _transport;
    bool _open = false;
    bool _unavailable = false;
    bool _hasPower = false;
    bool _keysListed = false;
    std::vector<VLSMCKeyRecord> _temperatureKeys;
};
