// Feeds arbitrary bytes to the interface archive reader and the bitmap reader: as an archive
// file (directory, entries, every entry decoded and recoloured) and as a bitmap file.

#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::string& ScratchPath() {
    static const std::string path = "/tmp/sonavia-archive-fuzz-" + std::to_string(::getpid());
    return path;
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
