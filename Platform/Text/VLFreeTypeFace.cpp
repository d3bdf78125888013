#include "Platform/Text/VLFreeTypeFace.h"

#include <mutex>

namespace {

// Guards opening and closing faces; the library itself is made once and kept for the process's life.
std::mutex& libraryLock() {
    static std::mutex lock;
    return lock;
}

FT_Library makeLibrary() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return nullptr;
    return library;
}

} // namespace

FT_Library VLFreeTypeFace::library() {
    static const FT_Library shared = makeLibrary();
    return shared;
}

VLFreeTypeFace::VLFreeTypeFace(FT_Face face, std::shared_ptr<const VLData> bytes)
    : _face(face), _bytes(std::move(bytes)) {}

VLFreeTypeFace::~VLFreeTypeFace() {
    std::lock_guard lock(libraryLock());
    FT_Done_Face(_face);
}

std::unique_ptr<VLFreeTypeFace> VLFreeTypeFace::open(std::shared_ptr<const VLData> bytes, long index) {
    FT_Library shared = library();
    if (!shared || !bytes || bytes->empty())
        return nullptr;
    FT_Face face = nullptr;
    {
        std::lock_guard lock(libraryLock());
        if (FT_New_Memory_Face(shared, bytes->data(), FT_Long(bytes->size()), index, &face) != 0)
            return nullptr;
    }
    return std::unique_ptr<VLFreeTypeFace>(new VLFreeTypeFace(face, std::move(bytes)));
}

std::unique_ptr<VLFreeTypeFace> VLFreeTypeFace::open(const std::string& path, long index) {
    FT_Library shared = library();
    if (!shared || path.empty())
        return nullptr;
    FT_Face face = nullptr;
    {
        std::lock_guard lock(libraryLock());
        if (FT_New_Face(shared, path.c_str(), index, &face) != 0)
            return nullptr;
    }
    return std::unique_ptr<VLFreeTypeFace>(new VLFreeTypeFace(face, nullptr));
}
