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

Catalogue Catalogue::Parse(std::string bytes) {
    Catalogue catalogue;
    catalogue.bytes_ = std::move(bytes);
    const std::string& all = catalogue.bytes_;
    if (all.empty()) {
        return catalogue;
    }
    const std::string::size_type end = all.find('\n');
    catalogue.recordsStart_ = end == std::string::npos ? all.size() : end + 1;
    catalogue.firstLineSize_ = end == std::string::npos ? all.size() : end;
    if (catalogue.firstLineSize_ > 0 && all[catalogue.firstLineSize_ - 1] == '\r') {
        --catalogue.firstLineSize_;
    }
    const std::string_view first = catalogue.FirstLine();
    catalogue.comma_ = first.find(',');
    // A first line without a comma is no date line: most likely the list of files to back up,
    // which bears the same name in the program's Data folder.
    catalogue.status_ =
        catalogue.comma_ == std::string_view::npos || first.find('\0') != std::string_view::npos
            ? Status::NoDateLine
            : Status::Valid;
    return catalogue;
}

std::string_view Catalogue::FirstLine() const {
    return std::string_view(bytes_).substr(0, firstLineSize_);
}

std::string_view Catalogue::Date() const {
    return status_ == Status::Valid ? FirstLine().substr(0, comma_) : std::string_view();
}

std::string_view Catalogue::Time() const {
    return status_ == Status::Valid ? FirstLine().substr(comma_ + 1) : std::string_view();
}

bool Catalogue::HasRecords() const {
    std::size_t start = recordsStart_;
    CatalogueLine line{1, {}};
    return NextRecord(start, line);
}

void Catalogue::ForEachRecord(const std::function<void(const CatalogueLine&)>& visit) const {
    CatalogueLine line{1, {}};
    for (std::size_t start = recordsStart_; NextRecord(start, line);) {
        visit(line);
    }
}

bool Catalogue::NextRecord(std::size_t& start, CatalogueLine& line) const {
    if (status_ != Status::Valid) {
        return false;
    }
    const std::string_view all = bytes_;
    while (start < all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string_view::npos) {
            end = all.size();
        }
        std::string_view text = all.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        start = end + 1;
        ++line.number;
        if (!text.empty()) {
            line.text = text;
            return true;
        }
    }
    return false;
}
