#include "platform/FileMask.h"

FileMask::FileMask(const QString& mask) {
    for (const QString& pattern : mask.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (!trimmed.isEmpty()) {
            patterns_.emplace_back(QRegularExpression::wildcardToRegularExpression(trimmed),
                                   QRegularExpression::CaseInsensitiveOption);
        }
    }
}

bool FileMask::Matches(const QString& name) const {
    if (patterns_.empty()) {
        return true;
    }
    for (const QRegularExpression& pattern : patterns_) {
        if (pattern.match(name).hasMatch()) {
            return true;
        }
    }
    return false;
}
