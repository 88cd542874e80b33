// Windows-1252 maps each of the 256 bytes to its own character: bytes read as text and written
// back are the same bytes, whatever they are.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "platform/Cp1252.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = FromCp1252(bytes);
    FuzzCheck(text.size() == bytes.size(), "one character per byte");
    FuzzCheck(ToCp1252(text) == bytes, "ToCp1252(FromCp1252(b)) == b");
    return 0;
}
