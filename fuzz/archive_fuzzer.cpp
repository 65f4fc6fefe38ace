// Feeds arbitrary bytes to the interface archive reader and the bitmap reader: as an archive
// file (directory, entries, every entry decoded and recoloured) and as a bitmap file.

#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// The reader takes a file: each input is written to one scratch file in the temp folder
// ($TMPDIR), which goes when the fuzzer ends.
class ScratchFile {
public:
    ScratchFile()
        : path_(std::filesystem::temp_directory_path() /
                ("sonavia-archive-fuzz-" + std::to_string(::getpid()))) {}
    ~ScratchFile() {
        std::error_code error;
        std::filesystem::remove(path_, error);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

const std::filesystem::path& ScratchPath() {
    static const ScratchFile scratch;
    return scratch.Path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonavia;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(ScratchPath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const InterfacePackDirectory directory = ReadArchiveDirectory(ScratchPath());
    for (std::size_t i = 0; i < directory.entries.size(); ++i) {
        FindArchiveEntry(directory, directory.entries[i].name);
        if (const auto entry = ReadArchiveEntry(directory, static_cast<std::uint16_t>(i))) {
            if (auto bitmap = DecodeBitmap(*entry)) {
                ShiftHue(*bitmap, static_cast<int>(size % 361));
            }
        }
    }
    if (auto bitmap = DecodeBitmap(bytes)) {
        ShiftHue(*bitmap, static_cast<int>(size % 361));
        if (bitmap->Width() > 0 && bitmap->Height() > 0) {
            bitmap->Pixel(bitmap->Width() - 1, bitmap->Height() - 1);
        }
        EncodeBitmap(*bitmap);
    }
    return 0;
}
