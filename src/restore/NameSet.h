#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "shared/Catalogue.h"

// The distinct names that start the records of one catalogue, each kept as the place where it
// ends in the catalogue's bytes: 4 bytes a name, so that the millions of distinct names a
// hostile catalogue may hold cost less than its own bytes. The table is sized once, from the
// most names the catalogue can hold, and its hash is keyed at random so that no catalogue can
// be made to slow it down. Catalogues of 4 GiB at most; the catalogue outlives the set.
class NameSet {
public:
    explicit NameSet(const Catalogue& catalogue);

    // Adds `name`, a view of the start of a record of the catalogue; false when it was there.
    bool Insert(std::string_view name);

private:
    std::string_view EndingAt(std::uint32_t end) const;
    std::uint64_t Hash(std::string_view name) const;

    std::string_view bytes_;
    std::uint64_t key_ = 0;
    std::vector<std::uint32_t> slots_;  // 1 + where a name ends, 0 when free; made when first used
};
