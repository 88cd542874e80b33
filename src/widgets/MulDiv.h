#pragma once

// a * b / c with a 64-bit intermediate, rounded to the nearest integer with halves away from
// zero. A divisor of 0, or a result that does not fit in 32 bits, gives -1.
int MulDiv(int a, int b, int c);

// x rounded to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double x);
