#pragma once

#include <cstdio>
#include <fstream>
#include <string>

// What a shell command prints on stdout, without its last line ends.
inline std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            text.append(buffer, n);
        }
        ::pclose(pipe);
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

// Stages a file of a fake /sys, /proc or EFI variable folder.
inline void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Text as EFI variables hold it: UCS-2, little-endian, with its NUL.
inline std::string Ucs2(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes + std::string(2, '\0');
}
