#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Memory for pieces of bodies on their way to scripts. Pieces are gathered in blocks of kBlockSize,
// backed by huge pages where the system offers them, so that a fast stream costs one page fault per
// block rather than one per 4 KiB; a block that a script's ArrayBuffer takes comes back when the buffer
// is collected, and the pool keeps up to kRetainedBlocks of them for the next pieces while any block is
// still out, and none once all have come back. Any thread.
class VLNetworkBodyBuffers {
public:
    static constexpr size_t kBlockSize = 2 * 1024 * 1024;
    static constexpr size_t kRetainedBlocks = 8;

    // A block that gathers bytes; it goes back to the pool with the piece unless released.
    class Piece {
    public:
        Piece();
        ~Piece();
        Piece(const Piece&) = delete;
        Piece& operator=(const Piece&) = delete;

        const uint8_t* bytes() const { return _block; }
        size_t length() const { return _length; }
        bool isFull() const { return _length == kBlockSize; }
        // Copies as much of the bytes as fits; how much that was.
        size_t append(std::span<const uint8_t> bytes);
        // The block, for an owner that gives it back itself through giveBack().
        uint8_t* release();

    private:
        uint8_t* _block;
        size_t _length = 0;
    };

    static void giveBack(uint8_t* block);
};
