#include "widgets/FolderOrder.h"

#include <QLocale>
#include <algorithm>
#include <numeric>

FolderOrder::FolderOrder() : collator_(QLocale(QLocale::French, QLocale::France)) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(true);
}

bool FolderOrder::Before(bool folderA, const QString& a, bool folderB, const QString& b) const {
    if (folderA != folderB) {
        return folderA;
    }
    const int order = collator_.compare(a, b);
    // Names equal but for case still get one fixed order.
    return order != 0 ? order < 0 : a < b;
}

void FolderOrder::Sort(std::vector<FolderEntry>& entries) const {
    // One sort key per name: comparing keys costs far less than collating names each time.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(entries.size());
    for (const FolderEntry& entry : entries) {
        keys.push_back(collator_.sortKey(entry.name));
    }
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        if (entries[x].folder != entries[y].folder) {
            return entries[x].folder;
        }
        const int c = keys[x].compare(keys[y]);
        return c != 0 ? c < 0 : entries[x].name < entries[y].name;
    });
    std::vector<FolderEntry> sorted;
    sorted.reserve(entries.size());
    for (const size_t index : order) {
        sorted.push_back(std::move(entries[index]));
    }
    entries = std::move(sorted);
}
