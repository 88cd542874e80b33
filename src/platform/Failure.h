#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// A failure of the usual kinds (file, disk, conversion, operating system) that a stage's guard
// catches and turns into an error code. Any other exception reaches the application-wide handler.
class Failure : public std::runtime_error {
public:
    // `errorNumber` is the system error (errno) at the failure, 0 when none; `location` is a
    // stable number naming the place in the code that raised it.
    Failure(const std::string& what, int errorNumber, std::int32_t location)
        : std::runtime_error(what), errorNumber_(errorNumber), location_(location) {}

    int errorNumber() const { return errorNumber_; }
    std::int32_t location() const { return location_; }

private:
    int errorNumber_;
    std::int32_t location_;
};

// A stable, positive number for a place in the source: the same file name and line always give
// the same number, so that a report quoting it can be traced back to the code.
std::int32_t FailureLocation(const char* file, int line);

// Throws a Failure for the current errno at the calling line.
#define KESTRIX_FAIL(what) throw ::Failure((what), errno, ::FailureLocation(__FILE__, __LINE__))

// Throws a Failure with no system error (a conversion, a refused value).
#define KESTRIX_FAIL_NO_ERRNO(what) \
    throw ::Failure((what), 0, ::FailureLocation(__FILE__, __LINE__))
