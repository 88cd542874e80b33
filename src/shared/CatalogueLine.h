#pragma once

#include <string_view>

// One record line of the catalogue, without its line end, and its line number in the file
// (the date line is line 1). The text is a view into the catalogue's bytes.
struct CatalogueLine {
    int number = 0;
    std::string_view text;
};
