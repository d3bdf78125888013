#pragma once

#include "Supports/SystemStatus/VLSMCTransport.h"
#include "Supports/SystemStatus/VLSystemStatusFileReader.h"

#include <string>
#include <vector>

// The SMC of this platform: the kernel's hardware monitors (/sys/class/hwmon) presented through the
// SMC's records. Each temp*_input of a processor's sensor (coretemp, k10temp, zenpower, cpu_thermal)
// is a key "Tp" and two digits of type "flt " (°C), so that the first temperature rule picks them; an
// ACPI power meter's power1_input is "PSTR" (watts); "#KEY" counts the keys. With neither kind of
// sensor there is no service. Values are read from the files at each read.
class VLSMCHwmonTransport final : public VLSMCTransport {
public:
    explicit VLSMCHwmonTransport(std::string root = "/");

    bool findService() override;
    int open() override;
    void close() override {}
    int callStructMethod(uint32_t selector, const VLSMCParamRecord& input, VLSMCParamRecord& output) override;

private:
    struct Key {
        uint32_t key = 0;
        std::string path; // under the root
        double scale = 1; // from the file's unit to the key's
    };

    void findKeys();
    const Key* keyNamed(uint32_t key) const;
    void read(const VLSMCParamRecord& input, VLSMCParamRecord& output) const;

    VLSystemStatusFileReader _files;
    std::vector<Key> _keys; // the temperatures first, then the power
};
