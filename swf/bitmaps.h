// Bitmap tags: lossless images (zlib-compressed colour tables and pixel rows) and JPEG images with
// their shared encoding table. Pixel data and JPEG streams are opaque byte blocks; the only thing
// read from inside them is a JPEG image's width and height, taken from its frame header.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "swf/object.h"

namespace transform {

// The part common to FSDefineImage and FSDefineImage2: format code, size, optional colour table
// size and the compressed image data.
class FSLosslessImage : public FSDefineObject {
  public:
    int getWidth() const { return width; }
    void setWidth(int value) { width = value; }
    int getHeight() const { return height; }
    void setHeight(int value) { height = value; }
    // Bits per pixel; 8 means colour-mapped.
    int getPixelSize() const { return pixelSize; }
    void setPixelSize(int value) {
        pixelSize = value;
        unmappedFormat = -1;
    }
    // Entries of the colour table, 1 to 256; used only by colour-mapped images.
    int getTableSize() const { return tableSize; }
    void setTableSize(int value) { tableSize = value; }
    // The zlib stream of the colour table and pixel rows, copied unchanged.
    const std::vector<uint8_t>& getImage() const { return image; }
    void setImage(std::vector<uint8_t> bytes) { image = std::move(bytes); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  protected:
    FSLosslessImage(int type, int identifier, int width, int height, int pixelSize, int tableSize,
                    std::vector<uint8_t> image)
        : FSDefineObject(type, identifier),
          width(width),
          height(height),
          pixelSize(pixelSize),
          tableSize(tableSize),
          image(std::move(image)) {}

    // The format byte of a pixel size, -1 when the tag has none for it.
    virtual int formatFor(int size) const = 0;
    // The pixel size of a format byte, 0 when the tag does not define it.
    virtual int pixelSizeFor(int format) const = 0;

  private:
    bool isColourMapped() const { return pixelSize == 8; }
    int formatCode() const;

    int width;
    int height;
    int pixelSize;
    int tableSize;
    std::vector<uint8_t> image;
    // A format byte of a later format version that maps to no pixel size, kept so that the tag
    // re-encodes as it was read.
    int unmappedFormat = -1;
};

// A lossless bitmap without alpha: colour-mapped (8), 16 or 24 bits per pixel. Images built here
// always use the long tag header.
class FSDefineImage : public FSLosslessImage {
  public:
    TRANSFORM_OBJECT(FSDefineImage)

    explicit FSDefineImage(FSInputStream& coder);
    // A colour-mapped image, pixel size 8.
    FSDefineImage(int identifier, int width, int height, int tableSize, std::vector<uint8_t> image);
    // A true-colour image of 16 or 24 bits per pixel.
    FSDefineImage(int identifier, int width, int height, std::vector<uint8_t> image, int pixelSize);

  protected:
    int formatFor(int size) const override;
    int pixelSizeFor(int format) const override;
};

// A lossless bitmap with alpha: colour-mapped with an RGBA table (8) or 32 bits per pixel.
class FSDefineImage2 : public FSLosslessImage {
  public:
    TRANSFORM_OBJECT(FSDefineImage2)

    explicit FSDefineImage2(FSInputStream& coder);
    // A colour-mapped image whose table carries alpha, pixel size 8.
    FSDefineImage2(int identifier, int width, int height, int tableSize,
                   std::vector<uint8_t> image);
    // A true-colour image with alpha, pixel size 32.
    FSDefineImage2(int identifier, int width, int height, std::vector<uint8_t> image);

  protected:
    int formatFor(int size) const override;
    int pixelSizeFor(int format) const override;
};

// Reading inside JPEG streams, bounded by the bytes given.
namespace jpeg {

struct FrameSize {
    bool found = false;
    int width = 0;
    int height = 0;
};

// The width and height of the first frame header of a stream that starts with a start-of-image
// marker; not found for anything else, or when the header is missing or cut short.
FrameSize frameSize(std::span<const uint8_t> bytes);

// The length of the encoding table at the start of a JPEG2 or JPEG3 image block, 0 when the block
// has none: a table runs through its end marker and holds no frame header. A block that starts
// with a complete image, holds no end marker or is not JPEG at all is all image.
std::size_t tableLength(std::span<const uint8_t> bytes);

}  // namespace jpeg

// A JPEG image whose encoding tables are in the movie's FSJPEGEncodingTable.
class FSDefineJPEGImage : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineJPEGImage)

    explicit FSDefineJPEGImage(FSInputStream& coder);
    FSDefineJPEGImage(int identifier, std::vector<uint8_t> image);

    // Taken from the image's frame header; kept when the image has none.
    int getWidth() const { return width; }
    void setWidth(int value) { width = value; }
    int getHeight() const { return height; }
    void setHeight(int value) { height = value; }
    const std::vector<uint8_t>& getImage() const { return image; }
    void setImage(std::vector<uint8_t> bytes);

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int width = 0;
    int height = 0;
    std::vector<uint8_t> image;
};

// A JPEG image that carries its own encoding table (empty when the image stream holds it).
class FSDefineJPEGImage2 : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineJPEGImage2)

    explicit FSDefineJPEGImage2(FSInputStream& coder);
    explicit FSDefineJPEGImage2(int identifier, std::vector<uint8_t> image,
                                std::vector<uint8_t> table = {});

    int getWidth() const { return width; }
    void setWidth(int value) { width = value; }
    int getHeight() const { return height; }
    void setHeight(int value) { height = value; }
    const std::vector<uint8_t>& getImage() const { return image; }
    void setImage(std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& getEncodingTable() const { return table; }
    void setEncodingTable(std::vector<uint8_t> bytes) { table = std::move(bytes); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int width = 0;
    int height = 0;
    std::vector<uint8_t> image;
    std::vector<uint8_t> table;
};

// A JPEG image with its own encoding table and a zlib-compressed alpha channel (empty when the
// image is opaque).
class FSDefineJPEGImage3 : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineJPEGImage3)

    explicit FSDefineJPEGImage3(FSInputStream& coder);
    FSDefineJPEGImage3(int identifier, std::vector<uint8_t> image, std::vector<uint8_t> table,
                       std::vector<uint8_t> alpha);

    int getWidth() const { return width; }
    void setWidth(int value) { width = value; }
    int getHeight() const { return height; }
    void setHeight(int value) { height = value; }
    const std::vector<uint8_t>& getImage() const { return image; }
    void setImage(std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& getEncodingTable() const { return table; }
    void setEncodingTable(std::vector<uint8_t> bytes) { table = std::move(bytes); }
    const std::vector<uint8_t>& getAlphaData() const { return alpha; }
    void setAlphaData(std::vector<uint8_t> bytes) { alpha = std::move(bytes); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int width = 0;
    int height = 0;
    std::vector<uint8_t> image;
    std::vector<uint8_t> table;
    std::vector<uint8_t> alpha;
};

// The encoding table shared by every FSDefineJPEGImage of a movie. An absent table is written as
// a bare end-of-image marker.
class FSJPEGEncodingTable : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSJPEGEncodingTable)

    explicit FSJPEGEncodingTable(FSInputStream& coder);
    // An empty block gives the absent table.
    explicit FSJPEGEncodingTable(std::vector<uint8_t> table = {});

    bool isAbsent() const { return absent; }
    const std::vector<uint8_t>& getEncodingTable() const { return table; }
    // An empty block makes the table absent.
    void setEncodingTable(std::vector<uint8_t> bytes);

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::vector<uint8_t> table;
    // Distinct from an empty table read from a file, which is written back empty.
    bool absent = true;
};

}  // namespace transform
