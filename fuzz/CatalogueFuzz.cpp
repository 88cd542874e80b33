// The restore program's catalogue and the split of each record, on hostile bytes: parsing and
// splitting stay within their bounds (run with -rss_limit_mb=256) and every split gives back the
// record it came from.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "restore/RecordSplit.h"
#include "shared/Catalogue.h"

namespace {

// Whether a copy exists must depend on the name alone; odd last bytes give some of each.
bool CopyExists(const std::string& name) {
    return !name.empty() && (static_cast<unsigned char>(name.back()) & 1) != 0;
}

void CheckSplit(std::string_view record) {
    const RecordSplit split = RecordSplit::Of(record, CopyExists);
    switch (split.kind) {
        case RecordSplit::Kind::Found:
        case RecordSplit::Kind::NoCopy:
            FuzzCheck(split.name + ',' + split.directory == record, "name,directory is the record");
            FuzzCheck(!split.name.empty() && split.name.find('/') == std::string::npos,
                      "a name is not empty and holds no '/'");
            FuzzCheck(record.size() <= 4096 && split.name.size() <= 255, "bounded record");
            FuzzCheck((split.kind == RecordSplit::Kind::Found) == CopyExists(split.name),
                      "a found split names an existing copy");
            break;
        case RecordSplit::Kind::Ambiguous:
            FuzzCheck(split.candidates.size() >= 2, "ambiguous between two copies at least");
            for (const std::string& name : split.candidates) {
                FuzzCheck(CopyExists(name), "each candidate is an existing copy");
                FuzzCheck(record.compare(0, name.size() + 1, name + ',') == 0,
                          "each candidate starts the record");
            }
            break;
        case RecordSplit::Kind::Malformed:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Catalogue catalogue = Catalogue::Parse(bytes);
    if (catalogue.GetStatus() != Catalogue::Status::Valid) {
        return 0;
    }
    FuzzCheck(std::string(catalogue.Date()) + ',' + std::string(catalogue.Time()) ==
                  catalogue.FirstLine(),
              "date,time is the first line");
    int previous = 1;
    catalogue.ForEachRecord([&](const CatalogueLine& line) {
        FuzzCheck(line.number > previous, "records numbered in order after the date line");
        FuzzCheck(!line.text.empty() && line.text.find('\n') == std::string_view::npos,
                  "a record is one non-empty line");
        previous = line.number;
        CheckSplit(line.text);
    });
    FuzzCheck(catalogue.HasRecords() == (previous > 1), "records exactly when one is walked");
    return 0;
}
