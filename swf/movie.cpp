#include "swf/movie.h"

#include "swf/deflate.h"
#include "swf/tag_factory.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

namespace transform {

namespace {

constexpr int EndTagBytes = 2;

// Types of tags that define a character: decoding one moves the identifier allocator past it.
bool definesCharacter(int type) {
    switch (type) {
        case 2:
        case 6:
        case 7:
        case 10:
        case 11:
        case 14:
        case 17:
        case 20:
        case 21:
        case 22:
        case 23:
        case 32:
        case 33:
        case 34:
        case 35:
        case 36:
        case 37:
        case 39:
        case 46:
        case 48:
        case 60:
        // later definitions that the library keeps as unknown tags
        case 75:
        case 83:
        case 84:
        case 87:
        case 90:
        case 91:
            return true;
        default:
            return false;
    }
}

// Reports a mis-sized tag to the listener, or throws when there is none.
void checkTagEnd(FSCoder& coder, const FSMovieObject& object, std::size_t expectedEnd) {
    const long long difference =
        (static_cast<long long>(expectedEnd) - static_cast<long long>(coder.getCursor())) / 8;
    if (difference != 0) {
        char message[160];
        if (difference > 0)
            std::snprintf(message, sizeof message, "%s underflowed by %lld bytes.", object.name(),
                          difference);
        else
            std::snprintf(message, sizeof message, "%s overflowed by %lld bytes.", object.name(),
                          -difference);
        if (!coder.reportError(message)) throw FSFormatException(message);
    }
    coder.setCursor(expectedEnd);
}

// The identifier a defining tag carries right after its header, modelled or not.
int definedIdentifier(const FSMovieObject& object) {
    if (const auto* definition = dynamic_cast<const FSDefineObject*>(&object))
        return definition->getIdentifier();
    if (const auto* unknown = dynamic_cast<const FSUnknownObject*>(&object)) {
        const auto& body = unknown->getData();
        if (body.size() >= 2) return body[0] | body[1] << 8;
    }
    return 0;
}

// How far a tag that ran into its declared end would have read beyond it: decoded again quietly
// and unconfined, for the message only (0 when that fails too). The coder's contexts are kept.
std::size_t bytesReadPastTheEnd(FSInputStream& coder, int type, std::size_t start,
                                std::size_t end) {
    std::array<int, FSCoder::NumberOfContexts> contexts{};
    for (int slot = 0; slot < FSCoder::NumberOfContexts; ++slot)
        contexts[slot] = coder.getContext(slot);
    FSCodingListener* listener = coder.getListener();
    coder.setListener(nullptr);
    coder.setCursor(start);
    std::size_t over = 0;
    try {
        makeTagObject(type, coder);
        if (coder.getCursor() > end) over = (coder.getCursor() - end) / 8;
    } catch (const FSException&) {
    }
    coder.setListener(listener);
    for (int slot = 0; slot < FSCoder::NumberOfContexts; ++slot)
        coder.setContext(slot, contexts[slot]);
    return over;
}

class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target) {
        std::random_device random;
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08x.part", random());
        path = target + suffix;
    }
    ~TemporaryFile() {
        if (!path.empty()) std::remove(path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& name() const { return path; }
    void release() { path.clear(); }

  private:
    std::string path;
};

}  // namespace

FSMovie::FSMovie(const std::string& signature, int version, const FSBounds& frameSize,
                 float frameRate, FSArray<FSMovieObject> objects)
    : signature(signature.substr(0, 3)),
      version(version),
      frameSize(frameSize),
      frameRate(frameRate),
      objects(std::move(objects)) {}

void FSMovie::add(FSArray<FSMovieObject> list) {
    for (auto& object : list) objects.add(std::move(object));
}

int FSMovie::frameCount() const {
    return static_cast<int>(std::count_if(
        objects.begin(), objects.end(), [](const auto& object) { return object->getType() == 1; }));
}

// ---- encoding ----

void FSMovie::encodeObject(FSMovieObject& object, FSOutputStream& coder) {
    const std::size_t expectedEnd = coder.getCursor() + (object.usesLongHeader() ? 48 : 16) +
                                    static_cast<std::size_t>(object.getLength()) * 8;
    object.encode(coder);
    checkTagEnd(coder, object, expectedEnd);
}

std::vector<uint8_t> FSMovie::encode(FSCodingListener* listener) {
    FSOutputStream coder(0);
    coder.setContext(FSCoder::Version, version);
    coder.setListener(listener);

    std::size_t total = static_cast<std::size_t>(frameSize.length(coder)) + 12 + EndTagBytes;
    for (auto& object : objects) {
        object->length(coder);
        total += static_cast<std::size_t>(object->getLength()) +
                 static_cast<std::size_t>(object->headerLength());
    }
    if (total > 0xFFFFFFFFu) throw FSFormatException("Movie is too large to encode");
    try {
        coder.setData(std::vector<uint8_t>(total, 0));
    } catch (const std::bad_alloc&) {
        if (!coder.reportError("Could not allocate memory to encode a movie."))
            throw FSAllocationException("Could not allocate memory to encode a movie.");
        return {};
    }

    coder.beginObject("FSMovie");
    for (int i = 0; i < 3; ++i)
        coder.write(i < static_cast<int>(signature.size()) ? signature[i] : 0,
                    FSCoder::UnsignedWord, 8);
    coder.write(version, FSCoder::UnsignedWord, 8);
    coder.write(static_cast<int>(static_cast<uint32_t>(total)), FSCoder::UnsignedWord, 32);
    frameSize.encode(coder);
    const double whole = std::trunc(frameRate);
    coder.write(FSCoder::toFixed(frameRate - whole, 8), FSCoder::UnsignedWord, 8);
    coder.write(FSCoder::toFixed(whole, 0), FSCoder::UnsignedWord, 8);
    coder.write(frameCount(), FSCoder::UnsignedWord, 16);
    for (auto& object : objects) encodeObject(*object, coder);
    coder.write(0, FSCoder::UnsignedWord, 16);
    coder.endObject("FSMovie");

    std::vector<uint8_t> bytes = coder.takeData();
    if (!signature.empty() && signature[0] == 'C') return compressData(bytes, 8);
    return bytes;
}

void FSMovie::encodeToFile(const std::string& fileName) {
    const std::vector<uint8_t> bytes = encode(nullptr);
    TemporaryFile temporary(fileName);
    {
        std::ofstream file(temporary.name(), std::ios::binary | std::ios::trunc);
        if (!file) throw FSFileOpenException("Cannot open file");
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) throw FSAccessException("Cannot write to file");
    }
    if (std::rename(temporary.name().c_str(), fileName.c_str()) != 0)
        throw FSAccessException("Cannot write to file");
    temporary.release();
}

void FSMovie::encodeToFile(const std::string& fileName, FSCodingListener* listener) {
    if (listener == nullptr) {
        encodeToFile(fileName);
        return;
    }
    const auto report = [listener](const char* message) {
        listener->handleEvent(
            FSCodingEvent(FSCodingEvent::Decoding, FSCodingEvent::Error, 0, 0, "", message));
    };
    try {
        encodeToFile(fileName);
    } catch (const FSFileOpenException& e) {
        report(e.what());
    } catch (const FSAccessException& e) {
        report(e.what());
    }
}

std::vector<uint8_t> FSMovie::compressData(std::span<const uint8_t> bytes, std::size_t offset) {
    offset = std::min(offset, bytes.size());
    const std::vector<uint8_t> body = zlibCompress(bytes.subspan(offset));
    std::vector<uint8_t> result;
    try {
        result.reserve(offset + body.size());
    } catch (const std::bad_alloc&) {
        throw FSAllocationException("Cannot allocate memory");
    }
    result.insert(result.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    result.insert(result.end(), body.begin(), body.end());
    return result;
}

// ---- decoding ----

std::vector<uint8_t> FSMovie::readFile(const std::string& fileName) {
    // Checked before opening: opening a FIFO would wait for a writer.
    std::error_code error;
    const auto type = std::filesystem::status(fileName, error).type();
    if (!error && type != std::filesystem::file_type::regular)
        throw FSAccessException("Cannot read file");
    std::ifstream file(fileName, std::ios::binary | std::ios::ate);
    if (!file) throw FSFileOpenException("Cannot open file");
    const std::streamoff size = file.tellg();
    if (size < 0) throw FSAccessException("Cannot read file");
    if (static_cast<unsigned long long>(size) > MaximumMovieSize)
        throw FSAllocationException("Cannot allocate memory");
    file.seekg(0);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size))
        throw FSAccessException("Cannot read file");
    return bytes;
}

// Inflates in steps so that a header that claims gigabytes costs only what the data really holds.
std::vector<uint8_t> FSMovie::uncompressData(std::span<const uint8_t> bytes,
                                             std::size_t expectedSize) {
    if (bytes.size() < 8) throw FSFormatException("Cannot uncompress movie");
    const std::size_t limit = std::min(std::max<std::size_t>(expectedSize, 8), MaximumMovieSize);
    std::vector<uint8_t> result(bytes.begin(), bytes.begin() + 8);

    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw FSAllocationException("Cannot allocate memory");
    struct Guard {
        z_stream* s;
        ~Guard() { inflateEnd(s); }
    } guard{&stream};

    stream.next_in = const_cast<Bytef*>(bytes.data() + 8);
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(bytes.size() - 8, 0xFFFFFFFFu));
    int status = Z_OK;
    while (status != Z_STREAM_END && result.size() < limit) {
        const std::size_t step = std::min<std::size_t>(
            limit - result.size(), std::max<std::size_t>(result.size(), 1 << 16));
        const std::size_t before = result.size();
        result.resize(before + step);
        stream.next_out = result.data() + before;
        stream.avail_out = static_cast<uInt>(step);
        status = inflate(&stream, Z_NO_FLUSH);
        result.resize(result.size() - stream.avail_out);
        if (status == Z_STREAM_END) break;
        if (status != Z_OK) throw FSFormatException("Cannot uncompress movie");
        if (stream.avail_in == 0 && stream.avail_out != 0)
            break;  // truncated stream: keep what came
    }
    return result;
}

std::unique_ptr<FSMovieObject> FSMovie::decodeObject(FSInputStream& coder) {
    const std::size_t start = coder.getCursor();
    // With a listener, a tag cut off by the end of the data is reported and dropped; without
    // one its decoder meets the end as before.
    const auto cutOff = [&](int type, std::size_t missing) -> std::unique_ptr<FSMovieObject> {
        char message[160];
        if (type < 0)
            std::snprintf(message, sizeof message,
                          "The tag header at byte %zu is cut off by the end of the data; dropped.",
                          start / 8);
        else
            std::snprintf(message, sizeof message,
                          "The tag of type %d at byte %zu runs %zu bytes past the end of the data; "
                          "dropped.",
                          type, start / 8, missing);
        if (!coder.reportError(message)) throw FSException("Read Overflow");
        coder.moveToEnd();
        return nullptr;
    };
    const bool listening = coder.getListener() != nullptr;
    if (listening && coder.bitsLeft() < 16) return cutOff(-1, 0);
    const int word = coder.scan(FSCoder::UnsignedWord, 16);
    const int type = word >> 6;
    std::size_t length = static_cast<std::size_t>(word & 63);
    if (length == 63) {
        if (listening && coder.bitsLeft() < 32) return cutOff(-1, 0);
        length = static_cast<uint32_t>(coder.scan(FSCoder::UnsignedWord, 32));
    }
    if (type == 0) return nullptr;
    const std::size_t expectedEnd = coder.getCursor() + length * 8;
    if (listening && length * 8 > coder.bitsLeft())
        return cutOff(type, (length * 8 - coder.bitsLeft()) / 8);

    coder.setCursor(start);
    const std::size_t depth = coder.openObjectCount();
    std::unique_ptr<FSMovieObject> object;
    try {
        // With a listener a tag reads only its own bytes, so that a damaged one fails the same
        // way wherever it stands and is kept as those bytes.
        std::optional<FSInputStream::Limit> limit;
        if (listening) limit.emplace(coder, expectedEnd);
        object = makeTagObject(type, coder);
    } catch (const FSException& e) {
        if (coder.getListener() == nullptr) throw;
        // With a listener the tag is reported and kept as its bytes, and decoding goes on at its
        // declared end, as for any other mis-sized tag.
        const std::string failed(coder.openObjectName(depth));
        coder.closeObjectsTo(depth);
        char message[200];
        const std::size_t over = std::strcmp(e.what(), FSInputStream::PastTheLimit) == 0
                                     ? bytesReadPastTheEnd(coder, type, start, expectedEnd)
                                     : 0;
        if (over > 0 && !failed.empty())
            std::snprintf(message, sizeof message, "%s overflowed by %zu bytes.", failed.c_str(),
                          over);
        else
            std::snprintf(message, sizeof message, "%s (type %d) at byte %zu cannot be decoded: %s",
                          failed.empty() ? "A tag" : failed.c_str(), type, start / 8, e.what());
        coder.reportError(message);
        const auto& bytes = coder.getData();
        const std::size_t bodyStart = expectedEnd / 8 - length;
        object = std::make_unique<FSUnknownObject>(
            type,
            std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(bodyStart),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(expectedEnd / 8)));
        object->setExtendLength(expectedEnd - start > 16 + length * 8);
        coder.setCursor(expectedEnd);
        return object;
    }
    checkTagEnd(coder, *object, expectedEnd);
    return object;
}

void FSMovie::decodeFromData(std::span<const uint8_t> bytes, FSCodingListener* listener) {
    const bool known = bytes.size() >= 3 && (bytes[0] == 'F' || bytes[0] == 'C') &&
                       bytes[1] == 'W' && bytes[2] == 'S';
    if (!known) {
        if (listener) {
            listener->handleEvent(FSCodingEvent(FSCodingEvent::Decoding, FSCodingEvent::Error, 0, 0,
                                                "", "Not Flash format"));
            return;
        }
        throw FSFormatException("Not Flash format");
    }
    decode(bytes, listener);
}

void FSMovie::decodeFromFile(const std::string& fileName) {
    decodeFromData(readFile(fileName));
}

void FSMovie::decodeFromFile(const std::string& fileName, FSCodingListener* listener) {
    if (listener == nullptr) {
        decodeFromFile(fileName);
        return;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes = readFile(fileName);
    } catch (const FSFileOpenException& e) {
        listener->handleEvent(
            FSCodingEvent(FSCodingEvent::Decoding, FSCodingEvent::Error, 0, 0, "", e.what()));
        return;
    } catch (const FSAccessException& e) {
        listener->handleEvent(
            FSCodingEvent(FSCodingEvent::Decoding, FSCodingEvent::Error, 0, 0, "", e.what()));
        return;
    }
    decodeFromData(bytes, listener);
}

void FSMovie::decode(std::span<const uint8_t> bytes, FSCodingListener* listener) {
    if (bytes.size() < 8) throw FSException("Read Overflow");
    const std::size_t declared =
        static_cast<std::size_t>(bytes[4]) | static_cast<std::size_t>(bytes[5]) << 8 |
        static_cast<std::size_t>(bytes[6]) << 16 | static_cast<std::size_t>(bytes[7]) << 24;
    if (bytes.size() > MaximumMovieSize) throw FSAllocationException("Cannot allocate memory");

    FSInputStream coder(bytes[0] == 'C' ? uncompressData(bytes, declared)
                                        : std::vector<uint8_t>(bytes.begin(), bytes.end()));
    coder.setListener(listener);
    coder.beginObject("FSMovie");
    signature.clear();
    for (int i = 0; i < 3; ++i)
        signature.push_back(static_cast<char>(coder.read(FSCoder::UnsignedWord, 8)));
    version = coder.read(FSCoder::UnsignedWord, 8);
    coder.read(FSCoder::UnsignedWord, 32);
    coder.setContext(FSCoder::Version, version);
    frameSize.decode(coder);
    const int fraction = coder.read(FSCoder::UnsignedWord, 8);
    frameRate = static_cast<float>(coder.read(FSCoder::UnsignedWord, 8)) +
                static_cast<float>(fraction) / 256.0f;
    coder.read(FSCoder::UnsignedWord, 16);

    coder.beginObject("array");
    for (;;) {
        // The end of the data ends the tag list as an end tag does: many movies have none.
        if (coder.bitsLeft() == 0) {
            coder.reportError("The movie has no end tag: its tag list ends with the data.");
            break;
        }
        auto object = decodeObject(coder);
        if (!object) break;
        if (definesCharacter(object->getType()))
            identifier = std::max(identifier, definedIdentifier(*object));
        objects.add(std::move(object));
    }
    coder.endObject("array");
    coder.endObject("FSMovie");
}

}  // namespace transform
