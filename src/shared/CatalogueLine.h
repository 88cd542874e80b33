#pragma once

#include <string>

// One record line of the catalogue, without its line end, and its line number in the file
// (the date line is line 1).
struct CatalogueLine {
    int number = 0;
    std::string text;
};
