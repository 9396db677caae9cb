#include "media/jpeg_decoder.h"

#include <cstdio>

#include "media/byte_reader.h"

namespace quillet::media {

namespace {

bool isFrameHeader(unsigned marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length.
bool isStandalone(unsigned marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

std::string hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
    return text;
}

}  // namespace

void JpegDecoder::decode(std::span<const uint8_t> bytes, ImageRecord& record,
                         const DecodeContext& context) const {
    ByteReader in(bytes, ByteReader::BigEndian, "JPEG");
    if (in.u16("start of image") != 0xFFD8) in.fail("no start-of-image marker", 0);
    bool framed = false;
    uint32_t width = 0;
    uint32_t height = 0;
    while (true) {
        const std::size_t start = in.position();
        if (in.atEnd())
            in.fail(framed ? "no scan follows the frame header" : "no frame header", start);
        const uint8_t lead = in.u8("marker");
        if (lead != 0xFF) in.fail("expected a marker, found " + hex(lead), start);
        uint8_t marker = in.u8("marker");
        while (marker == 0xFF) marker = in.u8("marker");
        if (isStandalone(marker)) continue;
        if (marker == 0xD9)
            in.fail(framed ? "the image ends before its first scan" : "no frame header", start);
        const uint16_t length = in.u16("segment length");
        if (length < 2)
            in.fail("segment length " + std::to_string(length) + " is too small", start);
        const std::size_t end = in.position() + length - 2;
        in.require(length - 2, "segment");
        if (marker == 0xDA) {
            if (!framed) in.fail("a scan before the frame header", start);
            break;
        }
        if (isFrameHeader(marker) && !framed) {
            if (length < 8) in.fail("frame header is cut short", start);
            in.u8("sample precision");
            height = in.u16("image height");
            width = in.u16("image width");
            if (width == 0 || height == 0)
                in.fail("the frame header gives a size of " + std::to_string(width) + " x " +
                            std::to_string(height),
                        start);
            framed = true;
        }
        in.seek(end, "segment");
    }
    // The player decodes what is kept here, so the limits hold for JPEG pictures too.
    checkImageSize("JPEG", width, height, context);
    record.kind = JPEGImage;
    record.width = width;
    record.height = height;
    record.jpeg.assign(bytes.begin(), bytes.end());
}

}  // namespace quillet::media
