// quillmere-bench-deflate WORKBOOK.xlsx [RUNS]
//
// The second floor of the workbook benchmark: the time zlib alone takes to
// deflate the parts of a workbook the program wrote, each at the level it is
// stored with, from memory, one part after another on one thread. No
// program that writes this file can take less CPU than this for its
// compression. Prints JSON: the parts, their bytes before and after, and the
// median of RUNS timings (default 15) in seconds.

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unzip.h>
#include <vector>
#include <zlib.h>

namespace {

struct Part {
    QByteArray contents;
    int level = Z_DEFAULT_COMPRESSION;
};

bool ReadParts(const char *path, std::vector<Part> &parts) {
    unzFile in = unzOpen64(path);
    if (!in)
        return false;
    bool ok = true;
    for (int status = unzGoToFirstFile(in); ok && status == UNZ_OK; status = unzGoToNextFile(in)) {
        unz_file_info64 info{};
        ok = unzGetCurrentFileInfo64(in, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK;
        Part part;
        int method = 0;
        ok = ok && unzOpenCurrentFile2(in, &method, &part.level, 0) == UNZ_OK;
        if (!ok)
            break;
        part.contents.resize(static_cast<qsizetype>(info.uncompressed_size));
        const int got = part.contents.isEmpty()
                            ? 0
                            : unzReadCurrentFile(in, part.contents.data(),
                                                 static_cast<unsigned>(part.contents.size()));
        ok = got == part.contents.size() && unzCloseCurrentFile(in) == UNZ_OK;
        if (method == 0)
            part.level = Z_NO_COMPRESSION;
        parts.push_back(std::move(part));
    }
    unzClose(in);
    return ok && !parts.empty();
}

// Deflates every part as the workbook stores it (raw deflate and the
// checksum, as in a zip); the bytes that came out.
qint64 DeflateAll(const std::vector<Part> &parts, QByteArray &out, uLong &checksums) {
    qint64 total = 0;
    for (const Part &part : parts) {
        z_stream z{};
        deflateInit2(&z, part.level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        const auto bound =
            static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(part.contents.size())));
        if (out.size() < bound)
            out.resize(bound);
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(part.contents.constData()));
        z.avail_in = static_cast<uInt>(part.contents.size());
        z.next_out = reinterpret_cast<Bytef *>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, Z_FINISH);
        checksums += crc32(0, reinterpret_cast<const Bytef *>(part.contents.constData()),
                           static_cast<uInt>(part.contents.size()));
        total += static_cast<qint64>(z.total_out);
        deflateEnd(&z);
    }
    return total;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: quillmere-bench-deflate WORKBOOK.xlsx [RUNS]\n");
        return 64;
    }
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 15;
    std::vector<Part> parts;
    if (!ReadParts(argv[1], parts)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    qint64 bytes = 0;
    for (const Part &part : parts)
        bytes += part.contents.size();

    QByteArray out;
    uLong checksums = 0;
    qint64 deflated = DeflateAll(parts, out, checksums); // once untimed: the buffers exist
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        deflated = DeflateAll(parts, out, checksums);
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("{\"parts\": %zu, \"bytes\": %lld, \"deflatedBytes\": %lld, \"runs\": %d, "
                "\"median\": %.6f, "
                "\"checksums\": %lu}\n",
                parts.size(), static_cast<long long>(bytes), static_cast<long long>(deflated), runs,
                seconds[seconds.size() / 2], checksums);
    return 0;
}
