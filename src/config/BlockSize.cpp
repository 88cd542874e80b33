#include "config/BlockSize.h"

#include <algorithm>
#include <array>

namespace BlockSize {

namespace {
constexpr std::array<int, 7> kKo = {2, 5, 10, 20, 50, 100, 200};
const std::array<const char16_t*, 7> kNames = {u"Minimum", u"Très Faible", u"Faible", u"Normal",
                                               u"Elevé",   u"Très élevé",  u"Maximum"};
bool Valid(int position) {
    return position >= kMinPosition && position <= kMaxPosition;
}
}  // namespace

int Clamp(int position) {
    return std::clamp(position, kMinPosition, kMaxPosition);
}

int Bytes(int position) {
    return Valid(position) ? kKo[position] * 1024 : 0;
}

QString Text(int position) {
    if (!Valid(position)) {
        return {};
    }
    return QString::number(kKo[position]) + QStringLiteral(" Ko - ") +
           QString::fromUtf16(kNames[position]);
}

}  // namespace BlockSize
