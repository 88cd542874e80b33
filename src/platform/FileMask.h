#pragma once

#include <QRegularExpression>
#include <QString>
#include <vector>

// File-name patterns with "*" and "?", separated by ";" ("*.conf;*.txt"). Letter case is
// ignored, as the patterns were written for case-blind names. An empty mask matches every name.
class FileMask {
public:
    explicit FileMask(const QString& mask = QString());

    bool IsEmpty() const { return patterns_.empty(); }
    bool Matches(const QString& name) const;

private:
    std::vector<QRegularExpression> patterns_;
};
