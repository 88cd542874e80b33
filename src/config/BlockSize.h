#pragma once

#include <QString>

// The copy block-size scale of TrackBarVitesse: positions 0 to 6, blocks of 2 to 200 Ko.
namespace BlockSize {

constexpr int kMinPosition = 0;
constexpr int kMaxPosition = 6;
constexpr int kDefaultPosition = 3;

// A position brought into 0 to 6.
int Clamp(int position);

// Bytes read per block at a position (1 Ko = 1024 bytes); 0 outside 0 to 6.
int Bytes(int position);

// "2 Ko - Minimum" to "200 Ko - Maximum"; empty outside 0 to 6.
QString Text(int position);

}  // namespace BlockSize
