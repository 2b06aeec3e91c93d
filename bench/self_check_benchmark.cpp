// Measures the launcher's self-check: CheckImageFile over a launcher grown
// to MB megabytes (a real PE image with data after it and a matching
// checksum), ROUNDS times, the file in the system's cache as right after a
// download. Prints the time per 100 MB.
// Usage: self_check_benchmark [MB] [ROUNDS]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "image_checksum.h"
#include "measure.h"
#include "scratch_folder.h"
#include "self_check.h"

int main(int argc, char** argv) {
    int megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string file = ScratchFolder::ReadAll(self);
    size_t size = static_cast<size_t>(megabytes) * 1024 * 1024;
    for (size_t i = file.size(); i < size; ++i) file += static_cast<char>(i * 131 + (i >> 9));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(file.data());
    ImageChecksumField field;
    if (!FindImageChecksumField(bytes, file.size(), &field)) return 1;
    ImageChecksum checksum(field.offset);
    checksum.Add(bytes, file.size());
    for (int i = 0; i < 4; ++i) file[field.offset + i] = static_cast<char>(checksum.Value() >> (8 * i));

    ScratchFolder folder("self-check-benchmark");
    std::string path = folder / "setup.exe";
    ScratchFolder::WriteAll(path, file);
    std::wstring wide(path.begin(), path.end());
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        double start = SecondsNow();
        ImageFileState state = CheckImageFile(wide.c_str());
        double seconds = SecondsNow() - start;
        if (state != ImageFileState::Intact) {
            fprintf(stderr, "round %d: the file was not found intact\n", r + 1);
            return 1;
        }
        times.push_back(seconds);
        printf("round %d: %.1f ms for %d MB\n", r + 1, seconds * 1000, megabytes);
    }
    printf("median: %.1f ms per 100 MB\n", Median(times) * 1000 * 100 / megabytes);
    return 0;
}
