// Measures UnpackEntry on one large entry against two loops on the same
// data: the reference, which does exactly the extraction's own pattern with
// plain zlib calls (113-byte refills, 100-byte pieces, one WriteFile per
// piece), so that their ratio is what the stream classes add; and a loop with
// 64 KB buffers and writes, so that the cost of the pattern itself shows.
// All three must produce the same file.
#include <windows.h>
#include <zlib.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive_builder.h"
#include "measure.h"
#include "path_list.h"
#include "scratch_folder.h"
#include "unpacking.h"

namespace {

// Inflates packed into path in pieces of at most `piece` bytes, each written
// with one WriteFile, refilling zlib's input `refill` bytes at a time from a
// copy as the memory reader does. With 113 and 100 it is the extraction's
// pattern without the stream classes around it.
bool InflatePieces(const Bytes& packed, const std::string& path, size_t refill, size_t piece) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::vector<unsigned char> input(refill), output(piece);
    z_stream z = {};
    bool ok = inflateInit(&z) == Z_OK;
    size_t offset = 0;
    int r = Z_OK;
    while (ok && r == Z_OK) {
        z.next_out = output.data();
        z.avail_out = static_cast<uInt>(piece);
        do {
            if (z.avail_in == 0) {
                size_t n = std::min(refill, packed.size() - offset);
                memcpy(input.data(), packed.data() + offset, n);
                offset += n;
                z.next_in = input.data();
                z.avail_in = static_cast<uInt>(n);
            }
            r = inflate(&z, Z_NO_FLUSH);
        } while (z.avail_out > 0 && r == Z_OK);
        DWORD got = static_cast<DWORD>(piece - z.avail_out), written = 0;
        if (got > 0 && (!WriteFile(h, output.data(), got, &written, nullptr) || written != got)) ok = false;
    }
    inflateEnd(&z);
    ok = CloseHandle(h) && ok;
    return ok && r == Z_STREAM_END;
}

}  // namespace

int main(int argc, char** argv) {
    size_t megabytes = argc > 1 ? static_cast<size_t>(atoi(argv[1])) : 4;
    int rounds = argc > 2 ? atoi(argv[2]) : 5;
    if (megabytes == 0 || rounds <= 0) {
        fprintf(stderr, "usage: extract_benchmark [MB] [ROUNDS]\n");
        return 2;
    }
    std::string data = VariedText(megabytes << 20, 11);
    Bytes packed = Deflate(data);
    ScratchFolder scratch("bench");
    std::string extracted = scratch / "extract.bin", reference = scratch / "reference.bin",
                large = scratch / "large.bin";
    std::vector<double> tExtract, tReference, tLarge;
    bool ok = true;
    for (int i = 0; i < rounds; ++i) {
        // The order turns each round, so that none of the three always runs
        // on a cache the one before it warmed or a disk it left busy.
        for (int k = 0; k < 3; ++k) {
            int which = (i + k) % 3;
            double t0 = SecondsNow();
            if (which == 0) {
                FolderList list;
                UnpackEntry(packed.data(), static_cast<uint32_t>(packed.size()), extracted.c_str(), &list);
            } else if (which == 1) {
                ok = InflatePieces(packed, reference, 113, 100) && ok;
            } else {
                ok = InflatePieces(packed, large, 65536, 65536) && ok;
            }
            double t = SecondsNow() - t0;
            (which == 0 ? tExtract : which == 1 ? tReference : tLarge).push_back(t);
        }
    }
    double me = Median(tExtract), mr = Median(tReference), ml = Median(tLarge);
    bool same = ok && ScratchFolder::ReadAll(extracted) == data && ScratchFolder::ReadAll(reference) == data &&
                ScratchFolder::ReadAll(large) == data;
    printf("%zu MB, %zu packed bytes, median of %d rounds\n", megabytes, packed.size(), rounds);
    printf("UnpackEntry (113 B in, 100 B writes):     %.3f s, %.1f MB/s\n", me, megabytes / me);
    printf("reference, same pattern with plain zlib:  %.3f s, %.1f MB/s\n", mr, megabytes / mr);
    printf("64 KB buffers and writes:                 %.3f s, %.1f MB/s\n", ml, megabytes / ml);
    printf("ratio UnpackEntry / reference (goal at most 1.05):  %.3f\n", me / mr);
    printf("ratio UnpackEntry / 64 KB loop:                     %.2f\n", me / ml);
    printf("outputs %s\n", same ? "identical" : "DIFFER");
    return same ? 0 : 1;
}
