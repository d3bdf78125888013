#include "Supports/SystemAudio/VLSystemAudioCodeIdentity.h"

#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLSHA256.h"

#include <elf.h>
#include <link.h>

#include <cstring>
#include <span>

namespace {

std::string codeIdentityHex(std::span<const uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

// The build-id note among the executable's (the first object listed) note segments.
int findCodeIdentityBuildId(dl_phdr_info* info, size_t, void* data) {
    auto* identifier = static_cast<std::string*>(data);
    for (ElfW(Half) index = 0; index < info->dlpi_phnum; ++index) {
        const ElfW(Phdr)& header = info->dlpi_phdr[index];
        if (header.p_type != PT_NOTE)
            continue;
        const auto* notes = reinterpret_cast<const uint8_t*>(info->dlpi_addr + header.p_vaddr);
        size_t offset = 0;
        while (offset + sizeof(ElfW(Nhdr)) <= header.p_memsz) {
            ElfW(Nhdr) note;
            std::memcpy(&note, notes + offset, sizeof note);
            const size_t nameOffset = offset + sizeof note;
            const size_t descriptorOffset = nameOffset + ((note.n_namesz + 3) & ~size_t(3));
            const size_t next = descriptorOffset + ((note.n_descsz + 3) & ~size_t(3));
            if (next > header.p_memsz)
                break;
            if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
                std::memcmp(notes + nameOffset, "GNU", 4) == 0) {
                *identifier = codeIdentityHex({notes + descriptorOffset, note.n_descsz});
                return 1;
            }
            offset = next;
        }
    }
    return 1; // only the executable counts
}

} // namespace

const std::string& VLSystemAudioCodeIdentity::current() {
    static const std::string identity = [] {
        std::string identifier = buildIdentifier();
        return identifier.empty() ? executableDigest() : identifier;
    }();
    return identity;
}

std::string VLSystemAudioCodeIdentity::buildIdentifier() {
    std::string identifier;
    dl_iterate_phdr(findCodeIdentityBuildId, &identifier);
    return identifier;
}

std::string VLSystemAudioCodeIdentity::executableDigest() {
    std::optional<VLData> executable = VLContentsOfFile("/proc/self/exe");
    if (!executable)
        return "";
    const VLSHA256Digest digest = VLSHA256::digest(*executable);
    return codeIdentityHex(digest);
}
