#include "restore/Paths.h"

#include <cstdlib>
#include <memory>

namespace Paths {

std::string Join(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

bool Real(const std::string& path, std::string& real) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) {
        return false;
    }
    real = resolved.get();
    return true;
}

std::string Parent(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsWithin(const std::string& path, const std::string& root) {
    if (root == "/") {
        return true;
    }
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            path[root.size()] == '/');
}

}  // namespace Paths
