#include "disks/StagedRecord.h"

#include <exception>
#include <map>

#include "disks/DiskRecorder.h"
#include "disks/RecordFolder.h"

namespace StagedRecord {

bool Write(const FileDescriptor& staging, std::string& problem, const SystemRoots& roots) {
    problem.clear();
    try {
        std::map<std::string, std::string> files;
        const DiskRecord record = DiskRecorder(roots).Record(files);
        RecordFolder::Write(staging, record, files);
        for (const std::string& gap : record.gaps) {
            problem +=
                (problem.empty() ? "les disques n'ont pas tous été enregistrés : " : " ; ") + gap;
        }
        if (!problem.empty()) {
            problem += '.';
        }
        return true;
    } catch (const std::exception& failure) {
        problem =
            std::string("les disques n'ont pas pu être enregistrés : ") + failure.what() + '.';
        return false;
    }
}

}  // namespace StagedRecord
