#include "restore/NameSet.h"

#include <sys/random.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

// The finaliser of MurmurHash3: every bit of the input moves every bit of the output.
std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

}  // namespace

NameSet::NameSet(const Catalogue& catalogue) : bytes_(catalogue.Bytes()) {
    if (::getrandom(&key_, sizeof key_, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof key_)) {
        key_ =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

bool NameSet::Insert(std::string_view name) {
    if (slots_.empty()) {
        // A name takes a record of its own: one line, and past the 65 792 names of one or two
        // bytes, five bytes at least ("abc," and a line end). Room for a quarter more keeps
        // the probes short.
        const std::size_t lines = std::count(bytes_.begin(), bytes_.end(), '\n') + 1;
        const std::size_t most = std::min(lines, 256 + 65536 + bytes_.size() / 5 + 1);
        slots_.assign(most + most / 4 + 1, 0);
    }
    const auto end = static_cast<std::uint32_t>(name.data() + name.size() - bytes_.data());
    for (std::size_t i = Hash(name) % slots_.size();; i = (i + 1) % slots_.size()) {
        if (slots_[i] == 0) {
            slots_[i] = end + 1;
            return true;
        }
        if (EndingAt(slots_[i] - 1) == name) {
            return false;
        }
    }
}

std::string_view NameSet::EndingAt(std::uint32_t end) const {
    // Records follow the date line, so a line end comes before each name.
    const std::size_t start = bytes_.rfind('\n', end - 1) + 1;
    return bytes_.substr(start, end - start);
}

std::uint64_t NameSet::Hash(std::string_view name) const {
    std::uint64_t h = key_ ^ name.size();
    for (std::size_t i = 0; i < name.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, name.data() + i, std::min<std::size_t>(8, name.size() - i));
        h = Mix(h ^ word);
    }
    return h;
}
