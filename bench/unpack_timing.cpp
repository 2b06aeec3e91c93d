// The whole unpacking of a large payload, timed side by side in one run:
// as the launcher did it before its window answered while it worked (on the
// window thread, each piece written straight to its file), and as it does
// now (on a thread of its own while the window thread takes messages, with a
// checkpoint before every entry and every piece). Two payloads, as the
// splash's answer tests use them: many small files and a few large ones.
// The order turns each round. What is compared is each way's fastest round:
// on this shared machine a run of 200 MB now and then takes a third longer,
// whichever way it unpacks (measured: 5.8 s or 7.8 to 8.2 s, two of three
// rounds of one way slow in one run and of the other in the next), and a
// disturbance only ever adds time. When the ratio passes the limit given,
// as many rounds again are run and pooled before the run fails, so that a
// slow spell must hit every round of one way twice over.
//
// Usage: unpack_timing [FILES] [MEGABYTES] [ROUNDS] [LIMIT] [FOLDER]
//   FOLDER: where to unpack (default: a scratch folder of the temporary
//   folder); a folder in memory (Wine's Z:\dev\shm) keeps the disk's
//   write-back out of the figures.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "archive_format.h"
#include "background_work.h"
#include "created_files.h"
#include "folder_path.h"
#include "inflate_entry.h"
#include "large_payload.h"
#include "measure.h"
#include "qv_file_stream.h"
#include "scratch_folder.h"
#include "unpacking.h"

namespace {

// One archive held in memory as BASE, the only one the launcher finds.
class OneArchive : public ArchiveSource {
public:
    explicit OneArchive(const Bytes& archive) : archive_(archive) {}
    const unsigned char* Find(const char* name, uint32_t* size) const override {
        if (strcmp(name, "BASE") != 0) return nullptr;
        *size = static_cast<uint32_t>(archive_.size());
        return archive_.data();
    }

private:
    const Bytes& archive_;
};

// The unpacking as it was before: the walk, each entry's folders, its file
// written piece by piece straight from the inflation, its script line; on
// the calling thread, nothing between the pieces.
void UnpackAsBefore(const Bytes& archive, CreatedFiles* run) {
    ArchiveWalker walker(archive.data(), static_cast<uint32_t>(archive.size()));
    ArchiveEntry entry;
    while (walker.Next(entry)) {
        QvString target = run->WorkFolder() + entry.name;
        run->StartFile(target);
        std::string folder = static_cast<const char*>(target);
        CreateFolderPath(folder.substr(0, folder.rfind('\\')).c_str(), run->Folders());
        QvFileStream* file = new QvFileStream(target, QvFileStream::AccessWrite | QvFileStream::OpenCreate);
        InflateEntry(walker.PackedData(entry), entry.packedSize, *file);
        delete file;
        run->FinishFile(target);
    }
}

struct Unpacking {
    const Bytes* archive;
    CreatedFiles* run;
};

void UnpackNow(void* context) {
    Unpacking* u = static_cast<Unpacking*>(context);
    UnpackArchives(OneArchive(*u->archive), u->run, nullptr);
}

// Seconds one unpacking of archive into a fresh run below temp takes;
// what it made is removed afterwards, untimed.
double TimeOne(const Bytes& archive, const std::string& temp, bool now) {
    CreatedFiles run(temp.c_str());
    run.ReserveNames(nullptr);
    run.StartScript();
    double start = SecondsNow();
    if (now) {
        Unpacking unpacking = {&archive, &run};
        RunInBackground(UnpackNow, &unpacking);
    } else {
        UnpackAsBefore(archive, &run);
    }
    double took = SecondsNow() - start;
    run.RemoveAll(nullptr);
    return took;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long files = argc > 1 ? strtoul(argv[1], nullptr, 10) : 20000;
    unsigned long megabytes = argc > 2 ? strtoul(argv[2], nullptr, 10) : 200;
    int rounds = argc > 3 ? atoi(argv[3]) : 3;
    double limit = argc > 4 ? atof(argv[4]) : 1.05;
    if (files == 0 || megabytes == 0 || rounds <= 0 || limit <= 0) {
        fprintf(stderr, "usage: unpack_timing [FILES] [MEGABYTES] [ROUNDS] [LIMIT] [FOLDER]\n");
        return 2;
    }
    ScratchFolder scratch("unpack");
    std::string temp = argc > 5 ? std::string(argv[5]) : scratch.Path();
    if (temp.empty() || temp.back() != '\\') temp += "\\";
    bool within = true;
    for (LargePayload payload : {LargePayload{LargePayload::ManySmallFiles, files},
                                 LargePayload{LargePayload::FewLargeFiles, megabytes}}) {
        std::vector<GeneratedFile> generated = GeneratedFiles(payload);
        Bytes archive = BuildGeneratedArchive(generated);
        std::vector<double> before, now;
        for (int set = 0; set < 2; ++set) {
            for (int i = 0; i < rounds; ++i) {
                // The order turns each round, so that neither always runs on
                // a cache the other warmed or a disk it left busy.
                for (int k = 0; k < 2; ++k) {
                    bool current = (i + k) % 2 == 1;
                    (current ? now : before).push_back(TimeOne(archive, temp, current));
                }
            }
            double b = Fastest(before), n = Fastest(now);
            printf("%s, %zu rounds: fastest before %.2f s, now %.2f s, ratio %.3f (limit %.2f); medians %.2f/%.2f; "
                   "rounds:",
                   Describe(payload, generated).c_str(), before.size(), b, n, n / b, limit, Median(before),
                   Median(now));
            for (size_t i = 0; i < before.size(); ++i) printf(" %.2f/%.2f", before[i], now[i]);
            printf("\n");
            fflush(stdout);
            if (n / b <= limit) break;
            if (set == 1) within = false;
        }
    }
    return within ? 0 : 1;
}
