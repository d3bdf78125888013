#include "Modules/Network/VLNetworkBodyBuffers.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace {

struct Pool {
    std::mutex lock; // guards the members below; any thread
    std::vector<uint8_t*> blocks;
    // Blocks taken and not given back.
    size_t outstanding = 0;
};

// Never destroyed: a script's buffer may give its block back while the process ends.
Pool& pool() {
    static Pool* shared = new Pool();
    return *shared;
}

uint8_t* takeBlock() {
    Pool& shared = pool();
    {
        std::lock_guard guard(shared.lock);
        ++shared.outstanding;
        if (!shared.blocks.empty()) {
            uint8_t* block = shared.blocks.back();
            shared.blocks.pop_back();
            return block;
        }
    }
    constexpr size_t size = VLNetworkBodyBuffers::kBlockSize;
    void* block = std::aligned_alloc(size, size);
    if (!block)
        throw std::bad_alloc();
    // A hint only: without huge pages the block is made of ordinary ones.
    ::madvise(block, size, MADV_HUGEPAGE);
    return static_cast<uint8_t*>(block);
}

} // namespace

VLNetworkBodyBuffers::Piece::Piece() : _block(takeBlock()) {}

VLNetworkBodyBuffers::Piece::~Piece() {
    if (_block)
        giveBack(_block);
}

size_t VLNetworkBodyBuffers::Piece::append(std::span<const uint8_t> bytes) {
    const size_t taken = std::min(bytes.size(), kBlockSize - _length);
    std::memcpy(_block + _length, bytes.data(), taken);
    _length += taken;
    return taken;
}

uint8_t* VLNetworkBodyBuffers::Piece::release() {
    return std::exchange(_block, nullptr);
}

void VLNetworkBodyBuffers::giveBack(uint8_t* block) {
    Pool& shared = pool();
    std::vector<uint8_t*> unused;
    {
        std::lock_guard guard(shared.lock);
        if (--shared.outstanding == 0) {
            unused.swap(shared.blocks);
            unused.push_back(block);
        } else if (shared.blocks.size() < kRetainedBlocks) {
            shared.blocks.push_back(block);
        } else {
            unused.push_back(block);
        }
    }
    for (uint8_t* each : unused)
        std::free(each);
}
