// The movie container: owns the tags of a SWF file in order, hands out character identifiers,
// and encodes to or decodes from whole files ("FWS" plain, "CWS" with a zlib-compressed body).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "swf/basic_types.h"
#include "swf/object.h"

namespace transform {

class FSMovie {
public:
    // Decoding refuses movies whose uncompressed size would exceed this.
    static constexpr std::size_t MaximumMovieSize = std::size_t{1} << 30;

    FSMovie() = default;
    FSMovie(const FSBounds& frameSize, float frameRate) : frameSize(frameSize), frameRate(frameRate) {}
    FSMovie(const FSBounds& frameSize, float frameRate, FSArray<FSMovieObject> objects)
        : frameSize(frameSize), frameRate(frameRate), objects(std::move(objects)) {}
    FSMovie(const std::string& signature, int version, const FSBounds& frameSize, float frameRate,
            FSArray<FSMovieObject> objects);
    explicit FSMovie(const std::string& fileName) { decodeFromFile(fileName); }
    explicit FSMovie(std::span<const uint8_t> bytes) { decodeFromData(bytes); }

    FSMovie(const FSMovie&) = default;
    FSMovie& operator=(const FSMovie&) = default;
    FSMovie(FSMovie&&) noexcept = default;
    FSMovie& operator=(FSMovie&&) noexcept = default;
    std::unique_ptr<FSMovie> clone() const { return std::make_unique<FSMovie>(*this); }

    const std::string& getSignature() const { return signature; }
    void setSignature(const std::string& text) { signature = text.substr(0, 3); }
    int getVersion() const { return version; }
    void setVersion(int v) { version = v; }
    const FSBounds& getFrameSize() const { return frameSize; }
    void setFrameSize(const FSBounds& bounds) { frameSize = bounds; }
    float getFrameRate() const { return frameRate; }
    void setFrameRate(float rate) { frameRate = rate; }
    FSArray<FSMovieObject>& getObjects() { return objects; }
    const FSArray<FSMovieObject>& getObjects() const { return objects; }

    void add(std::unique_ptr<FSMovieObject> object) { objects.add(std::move(object)); }
    void add(FSArray<FSMovieObject> list);

    // The next character identifier; the first a new movie hands out is 1.
    int newIdentifier() { return ++identifier; }
    int getIdentifier() const { return identifier; }
    int frameCount() const;

    std::vector<uint8_t> encode(FSCodingListener* listener = nullptr);
    // Writes through a temporary file renamed into place, so a failure never leaves a
    // truncated movie under the given name.
    void encodeToFile(const std::string& fileName);
    void encodeToFile(const std::string& fileName, FSCodingListener* listener);

    void decodeFromFile(const std::string& fileName);
    void decodeFromFile(const std::string& fileName, FSCodingListener* listener);
    void decodeFromData(std::span<const uint8_t> bytes, FSCodingListener* listener = nullptr);
    void decode(std::span<const uint8_t> bytes, FSCodingListener* listener);

    // The tag factory: the next tag of the stream, or null at the end tag.
    static std::unique_ptr<FSMovieObject> decodeObject(FSInputStream& coder);
    // Writes one tag and checks that it wrote as many bytes as its header announced.
    static void encodeObject(FSMovieObject& object, FSOutputStream& coder);

    static std::vector<uint8_t> readFile(const std::string& fileName);
    // Keeps the first offset bytes and compresses the rest.
    static std::vector<uint8_t> compressData(std::span<const uint8_t> bytes, std::size_t offset);
    // Inflates everything after the 8-byte header into at most expectedSize bytes (the
    // header's length field), and keeps the header in front.
    static std::vector<uint8_t> uncompressData(std::span<const uint8_t> bytes, std::size_t expectedSize);

private:
    int identifier = 0;
    std::string signature = "CWS";
    int version = 7;
    FSBounds frameSize;
    float frameRate = 0.0f;
    FSArray<FSMovieObject> objects;
};

}  // namespace transform
