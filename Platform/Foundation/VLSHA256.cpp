#include "Platform/Foundation/VLSHA256.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstdlib>

namespace {

// OpenSSL keeps per-thread state that each thread frees as it ends. Its clean-up at exit deletes the
// keys of that state, so a thread still ending then keeps its state for good; the process's end frees
// everything anyway. This runs as the library loads, before anything else can start OpenSSL.
__attribute__((constructor)) void keepOpenSSLUntilExit() {
    OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
}

} // namespace

struct VLSHA256::Context {
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

VLSHA256::VLSHA256() : _context(std::make_unique<Context>()) {
    // Only allocation can fail here, and a digest that silently hashed nothing would pass as real.
    if (!_context->md || EVP_DigestInit_ex(_context->md, EVP_sha256(), nullptr) != 1)
        std::abort();
}

VLSHA256::~VLSHA256() = default;

void VLSHA256::update(std::span<const uint8_t> bytes) {
    EVP_DigestUpdate(_context->md, bytes.data(), bytes.size());
}

VLSHA256Digest VLSHA256::finish() {
    VLSHA256Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(_context->md, digest.data(), &length);
    return digest;
}

VLSHA256Digest VLSHA256::digest(std::span<const uint8_t> bytes) {
    VLSHA256 sha;
    sha.update(bytes);
    return sha.finish();
}
