#include "localfiles/VersionRecord.h"

#include <charconv>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <string>
#include <vector>

namespace sonavia {

namespace {

template <typename T> bool ReadAt(std::ifstream& in, std::uint64_t offset, T& out) {
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(&out), sizeof(T));
    return static_cast<bool>(in);
}

std::uint64_t FileSize(std::ifstream& in) {
    in.seekg(0, std::ios::end);
    const auto end = in.tellg();
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

// Finds the record's section in a 64-bit ELF file; every offset is checked against the file.
bool FindRecord(std::ifstream& in, VersionRecord& record) {
    const std::uint64_t size = FileSize(in);
    Elf64_Ehdr header{};
    if (!ReadAt(in, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shstrndx >= header.e_shnum) {
        return false;
    }
    if (header.e_shoff > size || header.e_shnum * sizeof(Elf64_Shdr) > size - header.e_shoff) {
        return false;
    }
    Elf64_Shdr names{};
    if (!ReadAt(in, header.e_shoff + header.e_shstrndx * sizeof(Elf64_Shdr), names) ||
        names.sh_offset > size || names.sh_size > size - names.sh_offset) {
        return false;
    }
    std::vector<char> nameTable(names.sh_size);
    in.seekg(static_cast<std::streamoff>(names.sh_offset));
    in.read(nameTable.data(), static_cast<std::streamsize>(nameTable.size()));
    if (!in) {
        return false;
    }
    const std::size_t wanted = sizeof(kVersionRecordSection);
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section{};
        if (!ReadAt(in, header.e_shoff + i * sizeof(Elf64_Shdr), section)) {
            return false;
        }
        if (section.sh_name >= nameTable.size() || nameTable.size() - section.sh_name < wanted ||
            std::memcmp(&nameTable[section.sh_name], kVersionRecordSection, wanted) != 0) {
            continue;
        }
        if (section.sh_type == SHT_NOBITS || section.sh_size < sizeof(VersionRecord) ||
            section.sh_offset > size || sizeof(VersionRecord) > size - section.sh_offset) {
            return false;
        }
        return ReadAt(in, section.sh_offset, record) &&
               std::memcmp(record.magic, kVersionRecordMagic, sizeof(record.magic)) == 0;
    }
    return false;
}

} // namespace

float ReadVersionNumber(const std::filesystem::path& executable) {
    std::ifstream in(executable, std::ios::binary);
    VersionRecord record{};
    if (!in || !FindRecord(in, record)) {
        return kInitialVersionNumber;
    }
    // Read as the text "major.minor" reads, whatever decimal separator the user's locale has.
    const std::string text = std::to_string(record.fileVersionMS >> 16) + "." +
                             std::to_string(record.fileVersionMS & 0xFFFFu);
    float version = kInitialVersionNumber;
    std::from_chars(text.data(), text.data() + text.size(), version);
    return version;
}

float ReadOwnVersionNumber() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? kInitialVersionNumber : ReadVersionNumber(self);
}

} // namespace sonavia
