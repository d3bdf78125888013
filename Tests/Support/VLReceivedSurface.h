#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

// One mirror surface as the main application receives it on the host's SOCK_SEQPACKET socket: the
// datagram's eight little-endian header fields, how many bytes and descriptors it carried, and the memory
// file mapped for reading, so that a test can look at what the host draws into it later.
struct VLReceivedSurface {
    uint32_t magic = 0;
    uint32_t stream = 0;
    uint32_t generation = 0;
    uint32_t index = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerRow = 0;
    uint32_t pixelFormat = 0;
    size_t byteCount = 0;
    size_t descriptorCount = 0;
    // The file's size; at least bytesPerRow × height when the host sent a sound surface.
    size_t fileSize = 0;

    // B, G, R, A of a pixel as the surface holds it now (the first row at the top); zeros outside the file.
    std::array<uint8_t, 4> pixel(uint32_t x, uint32_t y) const;

    // The next datagram, once one comes within the limit; nothing when none comes or the socket closed.
    static std::optional<VLReceivedSurface>
    receive(int socket, std::chrono::milliseconds limit = std::chrono::seconds(60));

    std::shared_ptr<const uint8_t> bytes; // unmapped with the last copy
};
