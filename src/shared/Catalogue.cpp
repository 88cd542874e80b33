#include "shared/Catalogue.h"

#include <utility>

const char Catalogue::kLineEnd[] = "\r\n";

std::string Catalogue::Record(const std::string& entryPath) {
    const std::string::size_type separator = entryPath.rfind('/');
    if (separator == std::string::npos) {
        return entryPath + ',';
    }
    // The final separator goes, unless it is a root: one at the start or after another.
    const bool root = separator == 0 || entryPath[separator - 1] == '/';
    return FileName(entryPath) + ',' + entryPath.substr(0, root ? separator + 1 : separator);
}

std::string Catalogue::FileName(const std::string& entryPath) {
    const std::string::size_type separator = entryPath.rfind('/');
    return separator == std::string::npos ? entryPath : entryPath.substr(separator + 1);
}

Catalogue Catalogue::Parse(const std::string& bytes) {
    Catalogue catalogue;
    if (bytes.empty()) {
        return catalogue;
    }
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        std::string::size_type end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    catalogue.firstLine_ = lines.front();
    const std::string::size_type comma = catalogue.firstLine_.find(',');
    // A first line without a comma is no date line: most likely the list of files to back up,
    // which bears the same name in the program's Data folder.
    if (comma == std::string::npos || catalogue.firstLine_.find('\0') != std::string::npos) {
        catalogue.status_ = Status::NoDateLine;
        return catalogue;
    }
    catalogue.status_ = Status::Valid;
    catalogue.date_ = catalogue.firstLine_.substr(0, comma);
    catalogue.time_ = catalogue.firstLine_.substr(comma + 1);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (!lines[i].empty()) {
            catalogue.records_.push_back(
                CatalogueLine{static_cast<int>(i + 1), std::move(lines[i])});
        }
    }
    return catalogue;
}
