// PNG pictures: every colour type and bit depth of the PNG standard, Adam7 interlacing, the five
// row filters, and transparency (tRNS).
//
// Settled details:
// - Chunk CRCs are checked, and a chunk that runs past the end of the data, a bad IHDR, a
//   missing IDAT, PLTE or IEND, an unknown critical chunk or image data that ends before the last
//   row are malformed. A chunk whose declared length exceeds what the decoder reads from it is
//   reported to the diagnostic stream ("IHDR chunk underflowed by 3 bytes.") and decoding goes
//   on; so is an ancillary chunk too short for its fields ("overflowed"), which is then ignored.
// - tRNS gives one alpha per palette entry for palette images (entries it does not cover stay
//   opaque), and a colour key for greyscale and RGB images, compared with the samples at their
//   full bit depth: matching pixels get alpha 0, all others 255.
// - 16-bit samples keep their high byte; 1, 2 and 4-bit grey samples are scaled to 8 bits.
// - Image data is inflated row by row, so memory stays at two rows besides the picture.
#pragma once

#include "media/image_record.h"

namespace quillet::media {

class PngDecoder : public ImageDecoder {
  public:
    void decode(std::span<const uint8_t> bytes, ImageRecord& record,
                const DecodeContext& context) const override;
};

}  // namespace quillet::media
