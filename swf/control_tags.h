// The small control tags: protection and debugging passwords, exported and imported characters,
// initialisation scripts, script limits, tab order and the rest, and the video tags.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "swf/actions.h"

namespace transform {

// Asks authoring tools not to import the movie. From format version 5 on it may carry the
// password (an MD5 hash) that lifts the protection.
class FSProtect : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSProtect)

    explicit FSProtect(const std::string& password = "") : FSMovieObject(24), password(password) {}
    explicit FSProtect(FSInputStream& coder) : FSMovieObject(24) { decode(coder); }

    const std::string& getPassword() const { return password; }
    void setPassword(const std::string& value) { password = value; }
    // The 16 bits before the password, 0 unless a file wrote otherwise.
    int getReserved() const { return reserved; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    // A password that a file wrote stays written even when it is empty.
    bool containsPassword(const FSCoder& coder) const {
        return coder.getContext(FSCoder::Version) >= 5 && (passwordRead || !password.empty());
    }

    std::string password;
    int reserved = 0;
    bool passwordRead = false;
};

// Lets a debugger attach to the movie when it gives the password (an MD5 hash).
class FSEnableDebugger : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSEnableDebugger)

    explicit FSEnableDebugger(const std::string& password = "")
        : FSMovieObject(58), password(password) {}
    explicit FSEnableDebugger(FSInputStream& coder) : FSMovieObject(58) { decode(coder); }

    const std::string& getPassword() const { return password; }
    void setPassword(const std::string& value) { password = value; }
    // The 16 bits before the password, 0 unless a file wrote otherwise.
    int getReserved() const { return reserved; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string password;
    int reserved = 0;
};

// The debugger tag of format version 6 and later.
class FSEnableDebugger2 : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSEnableDebugger2)

    explicit FSEnableDebugger2(const std::string& password = "")
        : FSMovieObject(64), password(password) {}
    explicit FSEnableDebugger2(FSInputStream& coder) : FSMovieObject(64) { decode(coder); }

    const std::string& getPassword() const { return password; }
    void setPassword(const std::string& value) { password = value; }
    // The 16 bits before the password, 0 unless a file wrote otherwise.
    int getReserved() const { return reserved; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string password;
    int reserved = 0;
};

// (character identifier, name) pairs of exported or imported characters.
using FSAssetList = std::vector<std::pair<int, std::string>>;

// Makes characters of this movie available to other movies under the given names.
class FSExport : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSExport)

    explicit FSExport(FSAssetList entries = {}) : FSMovieObject(56), entries(std::move(entries)) {}
    explicit FSExport(FSInputStream& coder) : FSMovieObject(56) { decode(coder); }

    const FSAssetList& getEntries() const { return entries; }
    void setEntries(FSAssetList list) { entries = std::move(list); }
    void add(int identifier, const std::string& name) { entries.emplace_back(identifier, name); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSAssetList entries;
};

// Takes characters exported by the movie at the URL, giving them identifiers in this movie.
class FSImport : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSImport)

    explicit FSImport(const std::string& url, FSAssetList entries = {})
        : FSMovieObject(57), url(url), entries(std::move(entries)) {}
    explicit FSImport(FSInputStream& coder) : FSMovieObject(57) { decode(coder); }

    const std::string& getUrl() const { return url; }
    void setUrl(const std::string& value) { url = value; }
    const FSAssetList& getEntries() const { return entries; }
    void setEntries(FSAssetList list) { entries = std::move(list); }
    void add(int identifier, const std::string& name) { entries.emplace_back(identifier, name); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string url;
    FSAssetList entries;
};

// Actions run once, before the first frame that uses the given movie clip.
class FSInitialize : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSInitialize)

    explicit FSInitialize(int identifier, FSArray<FSActionObject> actions = {})
        : FSMovieObject(59), identifier(identifier), actions(std::move(actions)) {}
    explicit FSInitialize(FSInputStream& coder) : FSMovieObject(59) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    FSArray<FSActionObject>& getActions() { return actions; }
    const FSArray<FSActionObject>& getActions() const { return actions; }
    void setActions(FSArray<FSActionObject> list) { actions = std::move(list); }
    void add(std::unique_ptr<FSActionObject> action) { actions.add(std::move(action)); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
    FSArray<FSActionObject> actions;
};

// Limits on scripts: the deepest recursion and the seconds a frame's scripts may run.
class FSLimitScript : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSLimitScript)

    FSLimitScript(int depth, int timeout) : FSMovieObject(65), depth(depth), timeout(timeout) {}
    explicit FSLimitScript(FSInputStream& coder) : FSMovieObject(65) { decode(coder); }

    int getDepth() const { return depth; }
    void setDepth(int value) { depth = value; }
    int getTimeout() const { return timeout; }
    void setTimeout(int value) { timeout = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int depth = 0;
    int timeout = 0;
};

// The place in the tab order of the object on a layer.
class FSTabOrder : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSTabOrder)

    FSTabOrder(int layer, int index) : FSMovieObject(66), layer(layer), index(index) {}
    explicit FSTabOrder(FSInputStream& coder) : FSMovieObject(66) { decode(coder); }

    int getLayer() const { return layer; }
    void setLayer(int value) { layer = value; }
    int getIndex() const { return index; }
    void setIndex(int value) { index = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int layer = 0;
    int index = 0;
};

// The serial number of the tool that made the movie. Later tools write binary product details
// under the same tag type; a body that is not one zero-terminated string is kept as written.
class FSSerialNumber : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSSerialNumber)

    explicit FSSerialNumber(const std::string& serialNumber)
        : FSMovieObject(41), serialNumber(serialNumber) {}
    explicit FSSerialNumber(FSInputStream& coder) : FSMovieObject(41) { decode(coder); }

    const std::string& getSerialNumber() const { return serialNumber; }
    void setSerialNumber(const std::string& value) {
        serialNumber = value;
        productInfo.clear();
    }
    // The body of the binary form; empty for a serial string.
    const std::vector<uint8_t>& getProductInfo() const { return productInfo; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string serialNumber;
    std::vector<uint8_t> productInfo;
};

// Frees the character with the given identifier.
class FSFree : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSFree)

    explicit FSFree(int identifier) : FSMovieObject(3), identifier(identifier) {}
    explicit FSFree(FSInputStream& coder) : FSMovieObject(3) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
};

// An address that tools wrote for their own use.
class FSPointer : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSPointer)

    explicit FSPointer(int address) : FSMovieObject(1023), address(address) {}
    explicit FSPointer(FSInputStream& coder) : FSMovieObject(1023) { decode(coder); }

    int getAddress() const { return address; }
    void setAddress(int value) { address = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int address = 0;
};

// The name of a QuickTime movie that the movie plays along with.
class FSQuicktimeMovie : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSQuicktimeMovie)

    explicit FSQuicktimeMovie(const std::string& movieName)
        : FSMovieObject(38), movieName(movieName) {}
    explicit FSQuicktimeMovie(FSInputStream& coder) : FSMovieObject(38) { decode(coder); }

    const std::string& getName() const { return movieName; }
    void setName(const std::string& value) { movieName = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string movieName;
};

// A video stream character: its frames come in FSVideoFrame tags.
class FSDefineVideo : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineVideo)

    FSDefineVideo(int identifier, int frameCount, int width, int height, int deblocking,
                  bool smoothing, int codec)
        : FSDefineObject(60, identifier),
          frameCount(frameCount),
          width(width),
          height(height),
          deblocking(deblocking),
          smoothing(smoothing),
          codec(codec) {}
    explicit FSDefineVideo(FSInputStream& coder) : FSDefineObject(60, 0) { decode(coder); }

    int getFrameCount() const { return frameCount; }
    void setFrameCount(int value) { frameCount = value; }
    int getWidth() const { return width; }
    void setWidth(int value) { width = value; }
    int getHeight() const { return height; }
    void setHeight(int value) { height = value; }
    // 0 to 3; later movies use up to 7 (the field's third bit, which earlier ones keep 0).
    int getDeblocking() const { return deblocking; }
    void setDeblocking(int value) { deblocking = value; }
    bool getSmoothing() const { return smoothing; }
    void setSmoothing(bool value) { smoothing = value; }
    int getCodec() const { return codec; }
    void setCodec(int value) { codec = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int frameCount = 0;
    int width = 0;
    int height = 0;
    int deblocking = 0;
    bool smoothing = false;
    int codec = 0;
    int reserved = 0;  // the four high bits of the flags byte as a file wrote them
};

// One frame of a video stream: the encoded frame as the codec wrote it.
class FSVideoFrame : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSVideoFrame)

    FSVideoFrame(int identifier, int frameNumber, std::vector<uint8_t> data)
        : FSMovieObject(61),
          identifier(identifier),
          frameNumber(frameNumber),
          data(std::move(data)) {}
    explicit FSVideoFrame(FSInputStream& coder) : FSMovieObject(61) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    int getFrameNumber() const { return frameNumber; }
    void setFrameNumber(int value) { frameNumber = value; }
    const std::vector<uint8_t>& getData() const { return data; }
    void setData(std::vector<uint8_t> bytes) { data = std::move(bytes); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
    int frameNumber = 0;
    std::vector<uint8_t> data;
};

}  // namespace transform
