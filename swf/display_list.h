// Tags that build the display list and the timeline: frames, placement and movie settings.
#pragma once

#include <string>
#include <vector>

#include "swf/basic_types.h"

namespace transform {

// Ends a frame: the player shows the display list built so far.
class FSShowFrame : public FSMovieObject {
public:
    TRANSFORM_OBJECT(FSShowFrame)

    FSShowFrame() : FSMovieObject(1) {}
    explicit FSShowFrame(FSInputStream& coder) : FSMovieObject(1) { decode(coder); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
};

class FSSetBackgroundColor : public FSMovieObject {
public:
    TRANSFORM_OBJECT(FSSetBackgroundColor)

    explicit FSSetBackgroundColor(const FSColor& color = FSColor(0, 0, 0)) : FSMovieObject(9), color(color) {}
    explicit FSSetBackgroundColor(FSInputStream& coder) : FSMovieObject(9) { decode(coder); }

    const FSColor& getColor() const { return color; }
    void setColor(const FSColor& c) { color = c; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

private:
    FSColor color;
};

// Places, modifies or replaces a character on a layer. Each optional part is written only when
// it differs from its default.
class FSPlaceObject2 : public FSMovieObject {
public:
    TRANSFORM_OBJECT(FSPlaceObject2)

    enum PlaceType { Modify = 1, New = 2, Replace = 3 };

    explicit FSPlaceObject2(FSInputStream& coder);
    FSPlaceObject2(int identifier, int layer, int x, int y);
    FSPlaceObject2(int identifier, int layer, int clipDepth, int x, int y);
    FSPlaceObject2(int identifier, int layer, const std::string& name, int x, int y);
    FSPlaceObject2(int placeType, int identifier, int layer, const FSCoordTransform& transform,
                   const FSColorTransform& colorTransform);
    FSPlaceObject2(int identifier, int layer, const FSCoordTransform& transform,
                   const FSColorTransform& colorTransform);
    FSPlaceObject2(int layer, const FSCoordTransform& transform, const FSColorTransform& colorTransform);

    int getPlaceType() const { return placeType; }
    void setPlaceType(int type) { placeType = type; }
    int getLayer() const { return layer; }
    void setLayer(int value) { layer = value; }
    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    const FSCoordTransform& getTransform() const { return transform; }
    void setTransform(const FSCoordTransform& value) { transform = value; }
    const FSColorTransform& getColorTransform() const { return colorTransform; }
    void setColorTransform(const FSColorTransform& value) { colorTransform = value; }
    // 0 to 1 for morph shapes; negative when absent.
    float getRatio() const { return ratio; }
    void setRatio(float value) { ratio = value; }
    // The highest layer this character clips, as the encoded value minus 1; 0 when absent.
    int getClipDepth() const { return clipDepth; }
    void setClipDepth(int value) { clipDepth = value; }
    const std::string& getName() const { return instanceName; }
    void setName(const std::string& value) { instanceName = value; }
    // Clip events written by someone else, kept byte for byte.
    const std::vector<uint8_t>& getEncodedEvents() const { return encodedEvents; }
    void setEncodedEvents(std::vector<uint8_t> bytes) { encodedEvents = std::move(bytes); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

private:
    bool containsTransform() const { return !transform.isIdentity(); }
    bool containsColorTransform() const { return !colorTransform.isIdentity(); }
    bool containsRatio() const { return ratio >= 0.0f; }
    bool containsName() const { return !instanceName.empty(); }
    bool containsClipDepth() const { return clipDepth > 0; }
    bool containsEvents() const { return !encodedEvents.empty(); }
    bool containsIdentifier() const { return placeType == New || placeType == Replace; }

    int placeType = New;
    int layer = 0;
    int identifier = 0;
    FSCoordTransform transform;
    FSColorTransform colorTransform;
    float ratio = -1.0f;
    int clipDepth = 0;
    std::string instanceName;
    std::vector<uint8_t> encodedEvents;
};

}  // namespace transform
