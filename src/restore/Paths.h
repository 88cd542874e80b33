#pragma once

#include <string>

// Path helpers on raw byte strings.
namespace Paths {

// `directory` + "/" + `name`, without doubling a '/' that ends the directory.
std::string Join(const std::string& directory, const std::string& name);

// The canonical absolute path (symbolic links, "." and ".." resolved); false with errno set
// when it cannot be resolved.
bool Real(const std::string& path, std::string& real);

// The directory part of a path ("/a/b" -> "/a", "/b" -> "/").
std::string Parent(const std::string& path);

// True when `path` is `root` or lies below it; both canonical.
bool IsWithin(const std::string& path, const std::string& root);

}  // namespace Paths
