// JPEG pictures are kept as they are: the decoder reads the markers up to the first scan for the
// frame size and keeps the file's bytes unchanged for a JPEG bitmap tag.
//
// Settled details: a frame header is any of the start-of-frame markers 0xFFC0 to 0xFFCF except
// 0xFFC4 (Huffman tables), 0xFFC8 (reserved) and 0xFFCC (arithmetic conditioning); fill bytes
// (0xFF) before a marker are skipped; a stream without a frame header, with a frame size of 0,
// or without a scan after its frame header is malformed, since no player could show it. The
// size limits of the other pictures hold too, since the player decodes the picture.
#pragma once

#include "media/image_record.h"

namespace quillet::media {

class JpegDecoder : public ImageDecoder {
  public:
    void decode(std::span<const uint8_t> bytes, ImageRecord& record,
                const DecodeContext& context) const override;
};

}  // namespace quillet::media
