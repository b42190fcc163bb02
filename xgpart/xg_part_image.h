#pragma once
// The multi part values beside the table and the system block in the module's memory, both
// ways: the bytes they are once sent, and the values a read or a .syx file brings in.

#include <span>

#include "model/module_image.h"
#include "xgpart/xg_part_params.h"

namespace kq505 {

// Their bytes in the multi part blocks of all 32 XG parts and in the system block.
void XgPartsToImage(const XgPartValues& values, XgModuleImage& image);
// Takes the values of both layers of `parts` (0..15), and the system values, whose bytes the
// image holds, each held to its range; the others stay as they are.
void ImageToXgParts(const XgModuleImage& image, std::span<const int> parts, XgPartValues& values);

}  // namespace kq505
