#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

using VLSHA256Digest = std::array<uint8_t, 32>;

// A SHA-256 digest fed piece by piece (OpenSSL's EVP interface). One thread at a time.
class VLSHA256 {
public:
    VLSHA256();
    ~VLSHA256();
    VLSHA256(const VLSHA256&) = delete;
    VLSHA256& operator=(const VLSHA256&) = delete;

    void update(std::span<const uint8_t> bytes);
    // The digest of everything fed so far; the object is spent afterwards.
    VLSHA256Digest finish();

    static VLSHA256Digest digest(std::span<const uint8_t> bytes);

private:
    struct Context;
    std::unique_ptr<Context> _context;
};
