// bench_disk_record [rounds] [folder]: the time a backup run spends recording this machine's disks
// and boot chain (reading them and writing the record's folder, flushed), and the record's size.
// Target: under 100 ms a run. The records are written in a temporary folder of `folder` (/tmp).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "disks/RecordText.h"
#include "disks/StagedRecord.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::string pattern =
        std::string(argc > 2 ? argv[2] : "/tmp") + "/kestrix-bench-disques.XXXXXX";
    if (::mkdtemp(&pattern[0]) == nullptr) {
        return 2;
    }
    const std::string work = pattern;
    std::vector<double> times;
    long long bytes = 0;
    int files = 0;
    std::string problem;
    for (int round = 0; round < rounds; ++round) {
        const std::string folder = work + "/" + std::to_string(round);
        ::mkdir(folder.c_str(), 0700);
        const FileDescriptor target(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        const auto start = std::chrono::steady_clock::now();
        StagedRecord::Write(target, problem);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        bytes = 0;
        files = 0;
        const std::string record = folder + "/" + RecordText::kFolder;
        if (DIR* listing = ::opendir(record.c_str())) {
            while (const dirent* entry = ::readdir(listing)) {
                struct stat st {};
                if (entry->d_name[0] != '.' &&
                    ::stat((record + "/" + entry->d_name).c_str(), &st) == 0) {
                    bytes += st.st_size;
                    ++files;
                }
            }
            ::closedir(listing);
        }
    }
    std::system(("rm -rf " + work).c_str());
    std::sort(times.begin(), times.end());
    std::printf("%d records: median %.1f ms, best %.1f ms, worst %.1f ms (target: under 100 ms)\n",
                rounds, times[times.size() / 2], times.front(), times.back());
    std::printf("record: %d files, %lld bytes\n", files, bytes);
    if (!problem.empty()) {
        std::printf("%s\n", problem.c_str());
    }
    return 0;
}
