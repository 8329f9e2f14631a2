// Checks of a bitmap file before it becomes a disc picture: the header, palette, colour masks and pixel
// data must agree with each other and with the file, so that a damaged or hostile bitmap is refused with
// a reason instead of being stored and shown as garbage.
#pragma once

#include <string>

class QIODevice;

// Whether the file starts like a bitmap file ("BM").
bool IsBitmapFile(const std::string& FileName);

// What is wrong with the bitmap read from File; empty when it is sound or is no bitmap file at all.
//
// Layout checked (little-endian): file header of 14 bytes ("BM", file size, 4 reserved, pixel data
// offset), then an information header of 12 (OS/2: 16-bit width and height), 16, 40, 52, 56, 64, 108 or
// 124 bytes (width, height, planes, bits per pixel, compression, image size, densities, colours used),
// the colour masks (compression 3 or 6), the palette, and the pixel rows, each padded to 4 bytes, or an
// RLE8/RLE4 stream of runs and escapes (0 end of line, 1 end of bitmap, 2 delta, 3+ absolute run).
std::string BitmapProblem(QIODevice& File);
