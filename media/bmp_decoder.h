// BMP pictures: the 12-byte OS/2 header, the 40-byte Windows header and its longer versions (52,
// 56, 108, 124 bytes), and OS/2 version 2 headers (16 to 64 bytes). 1, 2, 4 and 8-bit indexed
// rows, uncompressed or RLE8 / RLE4, and 16, 24 and 32-bit rows, with bit-field masks for 16 and
// 32 bits. Rows may be stored bottom-up (the usual way) or top-down (negative height).
//
// Settled details:
// - The colour table always has 2^bits entries. The first "colours used" entries (all when that
//   field is 0 or absent, and never more than fit before the pixel data) come from the file; the
//   rest are opaque black, so an index beyond the file's palette is black.
// - RLE8 and RLE4 follow the BMP format: the delta escape 0 2 is two single bytes (right, up)
//   with no literals; pixels that escapes skip keep index 0. A run or delta that leaves the image
//   is malformed.
// - Bit-field channels are scaled to 8 bits (31 becomes 255), so white stays white. Alpha bits
//   and the unused byte of 32-bit pixels are ignored: every pixel is opaque.
#pragma once

#include "media/image_record.h"

namespace quillet::media {

class BmpDecoder : public ImageDecoder {
  public:
    void decode(std::span<const uint8_t> bytes, ImageRecord& record,
                const DecodeContext& context) const override;
};

}  // namespace quillet::media
