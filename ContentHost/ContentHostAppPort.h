#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

class VLSurface;

// The main application's socket for mirror surfaces: a Unix SOCK_SEQPACKET socket that the application
// hands the host on descriptor 4. Each surface travels once, as one datagram of a 32-byte header (eight
// unsigned 32-bit little-endian fields: kMagic, the stream's low 32 bits, the generation, the index, the
// width and height in pixels, the bytes per row and the pixel format) carrying exactly one descriptor:
// the surface's memory file, premultiplied B, G, R, A pixels with the first row at the top. The size
// travels in the header because the receiver cannot ask a descriptor for it.
//
// The socket is not owned. Sending touches only the socket, so any thread may send; the window mirrors
// send from the main thread.
class ContentHostAppPort final {
public:
    // The bytes "VLSF".
    static constexpr uint32_t kMagic = 0x46534C56;
    static constexpr size_t kHeaderSize = 32;
    // How long a send may wait for room in a full socket.
    static constexpr std::chrono::milliseconds kSendLimit{100};

    explicit ContentHostAppPort(int socket) : _socket(socket) {}

    int socket() const { return _socket; }

    // Sends a copy of the surface's descriptor, which is closed again whether or not the send worked; the
    // surface stays the caller's. False when the datagram did not go, also when the socket stayed full
    // for kSendLimit.
    bool sendSurface(int64_t stream, uint32_t generation, uint32_t index, const VLSurface& surface) const;

private:
    const int _socket;
};
