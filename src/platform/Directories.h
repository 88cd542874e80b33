#pragma once

#include <QString>

namespace Directories {

// `base` followed by `name` with one separator between them (none added after a root or a
// trailing separator).
QString Join(const QString& base, const QString& name);

// Creates `path` and every missing parent, from the top down, each with mode 0755. A single
// trailing separator is ignored; only a root or an existing directory counts as done. Throws
// Failure when `path` is empty or a level cannot be created.
void CreateWithParents(const QString& path);

}  // namespace Directories
