// Measures ExtractEntry (113-byte refills, 100-byte writes) against a plain
// loop with 64 KB buffers and 64 KB writes, side by side on the same data,
// and checks that both produce the same file.
#include <windows.h>
#include <zlib.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive_builder.h"
#include "extract_entry.h"
#include "folder_list.h"
#include "scratch_folder.h"

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Inflates packed into path with 64 KB input and output buffers.
bool InflateLarge(const Bytes& packed, const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    z_stream z = {};
    inflateInit(&z);
    std::vector<unsigned char> out(65536);
    size_t offset = 0;
    int r = Z_OK;
    while (r == Z_OK) {
        if (z.avail_in == 0) {
            size_t n = std::min<size_t>(65536, packed.size() - offset);
            z.next_in = const_cast<Bytef*>(packed.data() + offset);
            z.avail_in = static_cast<uInt>(n);
            offset += n;
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        r = inflate(&z, Z_NO_FLUSH);
        DWORD written;
        WriteFile(h, out.data(), static_cast<DWORD>(out.size() - z.avail_out), &written, nullptr);
    }
    inflateEnd(&z);
    CloseHandle(h);
    return r == Z_STREAM_END;
}

}  // namespace

int main(int argc, char** argv) {
    size_t megabytes = argc > 1 ? static_cast<size_t>(atoi(argv[1])) : 4;
    int rounds = argc > 2 ? atoi(argv[2]) : 5;
    std::string data = VariedText(megabytes << 20, 11);
    Bytes packed = Deflate(data);
    ScratchFolder scratch("bench");
    std::string small = scratch / "small.bin", large = scratch / "large.bin";
    std::vector<double> tSmall, tLarge;
    for (int i = 0; i < rounds; ++i) {
        FolderList list;
        double t0 = Now();
        ExtractEntry(packed.data(), static_cast<uint32_t>(packed.size()), small.c_str(), &list);
        double t1 = Now();
        if (!InflateLarge(packed, large)) return 1;
        double t2 = Now();
        tSmall.push_back(t1 - t0);
        tLarge.push_back(t2 - t1);
    }
    std::sort(tSmall.begin(), tSmall.end());
    std::sort(tLarge.begin(), tLarge.end());
    double ms = tSmall[tSmall.size() / 2], ml = tLarge[tLarge.size() / 2];
    bool same = ScratchFolder::ReadAll(small) == data && ScratchFolder::ReadAll(large) == data;
    printf("%zu MB, %zu packed bytes, median of %d rounds\n", megabytes, packed.size(), rounds);
    printf("ExtractEntry (113 B in, 100 B writes): %.3f s, %.1f MB/s\n", ms, megabytes / ms);
    printf("64 KB buffers and writes:             %.3f s, %.1f MB/s\n", ml, megabytes / ml);
    printf("ratio (ExtractEntry time / 64 KB loop time): %.2f\n", ms / ml);
    printf("outputs %s\n", same ? "identical" : "DIFFER");
    return same ? 0 : 1;
}
