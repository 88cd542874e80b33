#include "restore/Paths.h"

#include <fcntl.h>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "restore/FileDescriptor.h"
#include "restore/SystemFailure.h"

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

std::string ReadWholeFile(const std::string& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        throw SystemFailure(SystemFailure::Step::ReadCatalogue, errno);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const long n = fd.Read(buffer, sizeof buffer);
        if (n < 0) {
            throw SystemFailure(SystemFailure::Step::ReadCatalogue, errno);
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace Paths
