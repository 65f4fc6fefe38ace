// radiopack: packs a folder into an interface archive, lists an archive and extracts entries,
// optionally with a hue shift so that a skin maker can preview a colour.

#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace sonavia;
namespace fs = std::filesystem;

constexpr int kUsageError = 2;
constexpr int kFailure = 1;

int Usage() {
    std::cerr << "usage:\n"
                 "  radiopack pack FOLDER ARCHIVE        pack every file of FOLDER\n"
                 "  radiopack list ARCHIVE               name, size and offset of each entry\n"
                 "  radiopack extract ARCHIVE ENTRY OUT [--hue N]\n"
                 "                                       write one entry; with --hue, a bitmap\n"
                 "                                       entry recoloured by N degrees (0..360)\n";
    return kUsageError;
}

int Pack(const fs::path& folder, const fs::path& archive) {
    std::error_code error;
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(folder, error)) {
        if (item.is_regular_file()) {
            files.push_back(item.path());
        }
    }
    if (error) {
        std::cerr << "radiopack: cannot read folder " << folder << "\n";
        return kFailure;
    }
    std::sort(files.begin(), files.end());
    std::vector<ArchiveItem> items;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        items.push_back(
            {file.filename().string(), std::string(std::istreambuf_iterator<char>(in), {})});
        if (!in && !in.eof()) {
            std::cerr << "radiopack: cannot read " << file << "\n";
            return kFailure;
        }
    }
    if (!WriteArchive(archive, items)) {
        std::cerr << "radiopack: cannot write " << archive << "\n";
        return kFailure;
    }
    return 0;
}

// The archive's directory, or none after saying on stderr why it cannot be read; an archive
// with no entries is a good archive.
std::optional<InterfacePackDirectory> ReadDirectory(const fs::path& archive) {
    auto directory = ReadArchiveDirectory(archive);
    if (directory.fault != ArchiveFault::None) {
        std::cerr << "radiopack: " << archive << ' ' << ArchiveFaultText(directory.fault) << "\n";
        return std::nullopt;
    }
    return directory;
}

// Whether the entry's data lies wholly inside an archive of `archiveSize` bytes.
bool DataInFile(const ArchiveEntry& entry, std::uintmax_t archiveSize) {
    return entry.offset <= archiveSize && entry.dataSize <= archiveSize - entry.offset;
}

void ReportDataPastEnd(const fs::path& archive, const ArchiveEntry& entry) {
    std::cerr << "radiopack: " << archive << ": the data of " << entry.name
              << " runs past the end of the file (truncated or corrupt)\n";
}

int List(const fs::path& archive) {
    const auto directory = ReadDirectory(archive);
    if (!directory) {
        return kFailure;
    }
    std::error_code error;
    const auto size = fs::file_size(archive, error);
    int result = 0;
    for (const auto& entry : directory->entries) {
        std::cout << entry.name << ' ' << entry.dataSize << ' ' << entry.offset << '\n';
        if (error || !DataInFile(entry, size)) {
            ReportDataPastEnd(archive, entry);
            result = kFailure;
        }
    }
    return result;
}

int Extract(const fs::path& archive, const std::string& name, const fs::path& out,
            std::optional<int> hue) {
    const auto directory = ReadDirectory(archive);
    if (!directory) {
        return kFailure;
    }
    const auto number = FindArchiveEntry(*directory, name);
    if (number == kNoArchiveEntry) {
        std::cerr << "radiopack: no entry " << name << " in " << archive << "\n";
        return kFailure;
    }
    const auto data = ReadArchiveEntry(*directory, number);
    if (!data) {
        ReportDataPastEnd(archive, directory->entries[number]);
        return kFailure;
    }
    std::string bytes = *data;
    if (hue) {
        auto bitmap = DecodeBitmap(bytes);
        if (!bitmap) {
            std::cerr << "radiopack: " << name << " is not a bitmap\n";
            return kFailure;
        }
        ShiftHue(*bitmap, *hue);
        bytes = EncodeBitmap(*bitmap);
    }
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        std::cerr << "radiopack: cannot write " << out << "\n";
        return kFailure;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "pack") {
        return Pack(args[1], args[2]);
    }
    if (args.size() == 2 && args[0] == "list") {
        return List(args[1]);
    }
    if ((args.size() == 4 || args.size() == 6) && args[0] == "extract") {
        std::optional<int> hue;
        if (args.size() == 6) {
            int value = -1;
            const auto& text = args[5];
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (args[4] != "--hue" || ec != std::errc() || end != text.data() + text.size() ||
                value < 0 || value > 360) {
                return Usage();
            }
            hue = value;
        }
        return Extract(args[1], args[2], args[3], hue);
    }
    return Usage();
}
