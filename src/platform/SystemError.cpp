#include "platform/SystemError.h"

#include <cstring>

QString SystemErrorMessage(int errorNumber) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in the buffer.
    return QString::fromLocal8Bit(strerror_r(errorNumber, buffer, sizeof buffer));
}
