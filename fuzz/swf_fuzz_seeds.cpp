// Writes the seed movies of fuzz_swf_movie: small movies the library writes itself, and hand-made
// malformations of them (lying header lengths, long tag headers, truncated and mis-sized tags).
//
//   swf_fuzz_seeds <directory>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "swf/actions.h"
#include "swf/control_tags.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"

namespace {

using namespace transform;

using Bytes = std::vector<uint8_t>;

void put32(Bytes& bytes, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

FSMovie emptyMovie(const char* signature) {
    FSMovie movie(signature, 7, FSBounds(0, 0, 8000, 6000), 20.0f, {});
    return movie;
}

// Background, a placement of every optional part, frames.
FSMovie displayListMovie(const char* signature) {
    FSMovie movie = emptyMovie(signature);
    movie.add(std::make_unique<FSSetBackgroundColor>(FSColor(12, 34, 56)));

    FSCoordTransform transform(100, -200, 1.5, 0.5);
    transform.rotate(30.0);
    const FSColorTransform colors(0.5f, 1.0f, 0.25f, 0.75f, 10, -20, 30, -40);
    auto place = std::make_unique<FSPlaceObject2>(1, 1, transform, colors);
    place->setRatio(0.5f);
    place->setName("shape1_1");
    place->setClipDepth(3);
    movie.add(std::move(place));
    movie.add(std::make_unique<FSPlaceObject2>(2, 2, "McJet", 0, 0));
    movie.add(std::make_unique<FSPlaceObject2>(3, 4, 6, 20, 40));
    movie.add(std::make_unique<FSShowFrame>());
    movie.add(std::make_unique<FSPlaceObject2>(2, FSCoordTransform(40, 40), FSColorTransform()));
    movie.add(std::make_unique<FSShowFrame>());
    return movie;
}

// Edges of every form: general, horizontal and vertical lines, curves, wide and minimal fields.
void addEdges(FSShape& shape, int scale) {
    shape.emplace<FSLine>(100 * scale, 0);
    shape.emplace<FSLine>(0, -5 * scale);
    shape.emplace<FSLine>(3, 4);
    shape.emplace<FSCurve>(1, 1, 1, 1);
    shape.emplace<FSCurve>(-2000 * scale, 150, 40, -3000 * scale);
    shape.emplace<FSLine>(-65000, 65000);
}

// A square with a fill and an outline, style changes of every kind, and new styles mid-shape.
FSShape outline(int scale) {
    FSShape shape;
    shape.emplace<FSShapeStyle>(1, 1, 0, 0, 0);
    addEdges(shape, scale);
    shape.emplace<FSShapeStyle>(Default, 2, Default, -400, 9000);
    shape.emplace<FSLine>(400, 400);
    shape.emplace<FSShapeStyle>(0, Default, 1, Default, Default);
    shape.emplace<FSCurve>(10, 20, 30, 40);
    auto& restyle = shape.emplace<FSShapeStyle>(1, 1, Default, 7, 7);
    restyle.addFillStyle(std::make_unique<FSSolidFill>(FSColor(1, 2, 3, 4)));
    restyle.addLineStyle(std::make_unique<FSSolidLine>(60, FSColor(9, 8, 7, 6)));
    restyle.addLineStyle(std::make_unique<FSSolidLine>(1, FSColor(0, 0, 0, 255)));
    shape.emplace<FSLine>(-1, 0);
    return shape;
}

FSArray<FSFillStyle> fills(int count) {
    FSArray<FSFillStyle> styles;
    FSCoordTransform gradientSpace(10, 20, 0.05, 0.05);
    gradientSpace.rotate(45.0);
    styles.add(std::make_unique<FSGradientFill>(
        FSFillStyle::Linear, gradientSpace,
        std::vector<FSGradient>{FSGradient(0, FSColor(255, 0, 0, 255)),
                                FSGradient(255, FSColor(0, 0, 255, 128))}));
    styles.add(std::make_unique<FSGradientFill>(
        FSFillStyle::Radial, FSCoordTransform(),
        std::vector<FSGradient>{FSGradient(128, FSColor(1, 1, 1))}));
    styles.add(std::make_unique<FSBitmapFill>(FSFillStyle::TiledBitmap, 7,
                                              FSCoordTransform(0, 0, 20.0, 20.0)));
    styles.add(
        std::make_unique<FSBitmapFill>(FSFillStyle::ClippedBitmap, 65535, FSCoordTransform(-5, 5)));
    while (static_cast<int>(styles.size()) < count)
        styles.add(std::make_unique<FSSolidFill>(
            FSColor(static_cast<int>(styles.size()) & 255, 128, 64, 200)));
    return styles;
}

FSArray<FSLineStyle> lines(int count) {
    FSArray<FSLineStyle> styles;
    for (int i = 0; i < count; ++i)
        styles.add(std::make_unique<FSSolidLine>(20 * (i + 1), FSColor(i & 255, 0, 0, 255)));
    return styles;
}

// Every shape tag, placed and shown.
FSMovie shapesMovie(const char* signature) {
    FSMovie movie = emptyMovie(signature);
    const FSBounds bounds(-100, -100, 9000, 9000);
    movie.add(std::make_unique<FSDefineShape>(movie.newIdentifier(), bounds, fills(5), lines(2),
                                              outline(1)));
    movie.add(std::make_unique<FSDefineShape2>(movie.newIdentifier(), bounds, fills(6), lines(3),
                                               outline(2)));
    movie.add(std::make_unique<FSDefineShape3>(movie.newIdentifier(), bounds, fills(4), lines(1),
                                               outline(3)));

    FSArray<FSFillStyle> morphFills;
    morphFills.add(
        std::make_unique<FSMorphSolidFill>(FSColor(255, 0, 0, 255), FSColor(0, 255, 0, 0)));
    morphFills.add(std::make_unique<FSMorphGradientFill>(
        FSFillStyle::Radial, FSCoordTransform(1, 2), FSCoordTransform(3, 4, 2.0, 2.0),
        std::vector<FSMorphGradient>{
            FSMorphGradient(0, FSColor(0, 0, 0, 0), 255, FSColor(255, 255, 255, 255))}));
    morphFills.add(std::make_unique<FSMorphBitmapFill>(
        FSFillStyle::ClippedBitmap, 3, FSCoordTransform(), FSCoordTransform(100, 100)));
    FSArray<FSLineStyle> morphLines;
    morphLines.add(
        std::make_unique<FSMorphSolidLine>(20, 200, FSColor(1, 2, 3, 4), FSColor(5, 6, 7, 8)));
    FSShape start;
    start.emplace<FSShapeStyle>(1, 1, Default, 0, 0);
    start.emplace<FSLine>(1000, 0);
    start.emplace<FSCurve>(0, 500, -500, 500);
    start.emplace<FSLine>(-500, -1000);
    FSShape end;
    end.emplace<FSShapeStyle>(Default, Default, Default, 100, 100);
    end.emplace<FSLine>(2000, 0);
    end.emplace<FSCurve>(0, 900, -900, 900);
    end.emplace<FSLine>(-1100, -1800);
    movie.add(std::make_unique<FSDefineMorphShape>(
        movie.newIdentifier(), FSBounds(0, 0, 1000, 1000), FSBounds(100, 100, 2100, 2000),
        std::move(morphFills), std::move(morphLines), start, end));

    for (int id = 1; id <= 4; ++id)
        movie.add(std::make_unique<FSPlaceObject2>(id, id, 100 * id, 50 * id));
    movie.add(std::make_unique<FSShowFrame>());
    // A ratio read back from a file as n / 65535 must write n again.
    FSPlaceObject2 morph(FSPlaceObject2::Modify, 0, 4, FSCoordTransform(), FSColorTransform());
    morph.setRatio(1.0f / 65535.0f);
    movie.add(std::make_unique<FSPlaceObject2>(morph));
    movie.add(std::make_unique<FSShowFrame>());
    return movie;
}

// More than 255 styles: the counts take the 0xFF escape in shape 2 and 3 tags and in a
// style-change record.
FSMovie manyStylesMovie() {
    FSMovie movie = emptyMovie("FWS");
    FSShape shape;
    shape.emplace<FSShapeStyle>(300, 299, 1, 5, 5);
    shape.emplace<FSLine>(10, 10);
    auto& restyle = shape.emplace<FSShapeStyle>(Default, 260, Default, Default, Default);
    for (int i = 0; i < 260; ++i)
        restyle.addFillStyle(std::make_unique<FSSolidFill>(FSColor(i & 255, 0, 0, 255)));
    shape.emplace<FSLine>(0, 10);
    movie.add(std::make_unique<FSDefineShape3>(movie.newIdentifier(), FSBounds(0, 0, 20, 20),
                                               fills(300), lines(300), shape));
    movie.add(std::make_unique<FSShowFrame>());
    return movie;
}

// Values at the widest their fields can hold, where sizing rules are easiest to get wrong.
FSMovie limitsMovie() {
    FSMovie movie("FWS", 7, FSBounds(-(1 << 30), -1, (1 << 30) - 1, 0), 255.99f, {});
    FSShape shape;
    shape.emplace<FSShapeStyle>(1, 1, 1, -(1 << 30), (1 << 30) - 1);
    shape.emplace<FSLine>(-65536, 65535);
    shape.emplace<FSLine>(-65536, 0);
    shape.emplace<FSLine>(0, -65536);
    shape.emplace<FSCurve>(-65536, 65535, -65536, 65535);
    shape.emplace<FSShapeStyle>(Default, 1, Default, Default, Default);
    shape.emplace<FSLine>(-2, -2);
    movie.add(std::make_unique<FSDefineShape3>(movie.newIdentifier(), FSBounds(-(1 << 30), 0, 0, 0),
                                               fills(1), lines(1), shape));
    FSCoordTransform::Matrix matrix = {
        {-16384.0f, 16383.0f, -1073741824.0f}, {-0.5f, 1.0f / 65536, 1073741823.0f}, {0, 0, 1}};
    movie.add(std::make_unique<FSPlaceObject2>(
        1, 1, FSCoordTransform(matrix),
        FSColorTransform(-64.0f, 63.99f, 0.0f, -1.0f, -16384, 16383, -1, 0)));
    movie.add(std::make_unique<FSShowFrame>());
    return movie;
}

FSArray<FSActionObject> actions(std::initializer_list<int> codes, const char* traced = nullptr) {
    FSArray<FSActionObject> list;
    if (traced) {
        auto push = std::make_unique<FSPush>();
        push->push<FSString>(traced).push<FSInteger>(39);
        list.add(std::move(push));
        list.add(std::make_unique<FSAction>(FSAction::Pop));
        list.add(std::make_unique<FSAction>(FSAction::Trace));
    }
    for (int code : codes) list.add(std::make_unique<FSAction>(code));
    return list;
}

// A movie clip holding a nested clip, labels, actions, removal and frames, placed with clip
// events: the event words are 16 bits wide below version 6 and 32 bits from 6 on, where a key
// press carries its key code.
FSMovie clipEventsMovie(int version) {
    FSMovie movie("FWS", version, FSBounds(0, 0, 8000, 6000), 20.0f, {});
    const int shape = movie.newIdentifier();
    FSArray<FSFillStyle> solid;
    solid.add(std::make_unique<FSSolidFill>(FSColor(10, 20, 30)));
    FSShape square;
    square.emplace<FSShapeStyle>(Default, Default, 1, 0, 0);
    square.emplace<FSLine>(400, 0);
    square.emplace<FSLine>(0, 400);
    square.emplace<FSLine>(-400, 0);
    square.emplace<FSLine>(0, -400);
    movie.add(std::make_unique<FSDefineShape>(shape, FSBounds(0, 0, 400, 400), std::move(solid),
                                              FSArray<FSLineStyle>(), square));

    const int inner = movie.newIdentifier();
    FSArray<FSMovieObject> innerTimeline;
    innerTimeline.add(std::make_unique<FSPlaceObject2>(shape, 1, 10, 10));
    innerTimeline.add(std::make_unique<FSShowFrame>());
    innerTimeline.add(std::make_unique<FSRemoveObject2>(1));
    innerTimeline.add(std::make_unique<FSShowFrame>());
    movie.add(std::make_unique<FSDefineMovieClip>(inner, std::move(innerTimeline)));

    const int outer = movie.newIdentifier();
    FSArray<FSMovieObject> timeline;
    timeline.add(std::make_unique<FSFrameLabel>("start", true));
    timeline.add(std::make_unique<FSPlaceObject2>(inner, 1, 3, 0, 0));
    timeline.add(std::make_unique<FSPlaceObject2>(shape, 2, "square", 5, 5));
    timeline.add(std::make_unique<FSDoAction>(actions({FSAction::Play}, "clip")));
    timeline.add(std::make_unique<FSShowFrame>());
    timeline.add(std::make_unique<FSRemoveObject>(shape, 2));
    timeline.add(std::make_unique<FSDoAction>(actions({FSAction::Stop})));
    timeline.add(std::make_unique<FSShowFrame>());
    movie.add(std::make_unique<FSDefineMovieClip>(outer, std::move(timeline)));

    auto place = std::make_unique<FSPlaceObject2>(outer, 1, "McJet", 100, 100);
    place->add(FSClipEvent(FSClipEvent::Load | FSClipEvent::EnterFrame,
                           actions({FSAction::NextFrame}, "load")));
    place->add(FSClipEvent(FSClipEvent::KeyDown, actions({FSAction::PrevFrame, FSAction::Stop})));
    if (version >= 6) place->add(FSClipEvent(FSClipEvent::KeyPress, 32, actions({FSAction::Play})));
    place->add(FSClipEvent(FSClipEvent::MouseUp, Bytes{0x07}));
    movie.add(std::move(place));
    movie.add(std::make_unique<FSShowFrame>());
    return movie;
}

// Both forms of button, with records in every state, conditions with key codes, a colour
// transform for the first form and the small control tags.
FSMovie buttonsMovie() {
    FSMovie movie = emptyMovie("FWS");
    movie.add(std::make_unique<FSProtect>("secret"));
    movie.add(std::make_unique<FSEnableDebugger2>("debug"));
    movie.add(std::make_unique<FSLimitScript>(256, 15));
    const int shape = movie.newIdentifier();
    FSArray<FSFillStyle> solid;
    solid.add(std::make_unique<FSSolidFill>(FSColor(200, 0, 0)));
    FSShape square;
    square.emplace<FSShapeStyle>(Default, Default, 1, 0, 0);
    square.emplace<FSLine>(400, 0);
    square.emplace<FSLine>(0, 400);
    square.emplace<FSLine>(-400, 0);
    square.emplace<FSLine>(0, -400);
    movie.add(std::make_unique<FSDefineShape>(shape, FSBounds(0, 0, 400, 400), std::move(solid),
                                              FSArray<FSLineStyle>(), square));
    const FSColorTransform faded(0.5f, 0.5f, 1.0f, 0.75f, 10, 0, -10, 0);
    const int first = movie.newIdentifier();
    movie.add(std::make_unique<FSDefineButton>(
        first,
        std::vector<FSButton>{FSButton(FSButton::Up | FSButton::Over, shape, 1),
                              FSButton(FSButton::Down | FSButton::HitTest, shape, 2,
                                       FSCoordTransform(5, 5, 1.5, 1.5))},
        actions({FSAction::NextFrame}, "pressed")));
    movie.add(std::make_unique<FSButtonColorTransform>(first, faded));
    const int second = movie.newIdentifier();
    movie.add(std::make_unique<FSDefineButton2>(
        second, 1,
        std::vector<FSButton>{FSButton(FSButton::Up, shape, 1, FSCoordTransform(), faded),
                              FSButton(FSButton::HitTest, shape, 2)},
        std::vector<FSButtonEvent>{
            FSButtonEvent(FSButtonEvent::OverDownToOverUp, actions({FSAction::Play}, "up")),
            FSButtonEvent(FSButtonEvent::keyPress(37) | FSButtonEvent::IdleToOverUp,
                          actions({FSAction::PrevFrame}))}));
    movie.add(std::make_unique<FSDefineButton2>(
        movie.newIdentifier(), std::vector<FSButton>{FSButton(FSButton::Up, shape, 3)}));
    movie.add(std::make_unique<FSExport>(FSAssetList{{first, "first"}, {second, "second"}}));
    movie.add(std::make_unique<FSImport>("library.swf", FSAssetList{{40, "shared"}}));
    movie.add(std::make_unique<FSInitialize>(second, actions({FSAction::Stop})));
    movie.add(std::make_unique<FSPlaceObject2>(first, 1, 100, 100));
    movie.add(std::make_unique<FSPlaceObject2>(second, 2, 1000, 100));
    movie.add(std::make_unique<FSTabOrder>(2, 1));
    movie.add(std::make_unique<FSFrameLabel>("buttons"));
    movie.add(std::make_unique<FSShowFrame>());
    return movie;
}

class SeedWriter {
  public:
    explicit SeedWriter(std::string directory) : directory(std::move(directory)) {}

    void write(const std::string& name, const Bytes& bytes) {
        const std::string path = directory + "/" + name;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) throw FSAccessException("Cannot write " + path);
        ++count;
    }

    // The movie as written, after checking that the library reads back what it wrote.
    void write(const std::string& name, FSMovie& movie) {
        const Bytes bytes = movie.encode();
        FSMovie again;
        again.decodeFromData(bytes);
        if (again.encode() != bytes) throw FSFormatException(name + " does not round-trip");
        write(name, bytes);
    }

    int written() const { return count; }

  private:
    std::string directory;
    int count = 0;
};

void writeSeeds(SeedWriter& out) {
    FSMovie empty = emptyMovie("FWS");
    out.write("empty-fws.swf", empty);
    FSMovie emptyCompressed = emptyMovie("CWS");
    out.write("empty-cws.swf", emptyCompressed);

    FSMovie display = displayListMovie("FWS");
    out.write("display-list-fws.swf", display);
    FSMovie displayCompressed = displayListMovie("CWS");
    out.write("display-list-cws.swf", displayCompressed);
    FSMovie shapes = shapesMovie("FWS");
    out.write("shapes-fws.swf", shapes);
    FSMovie shapesCompressed = shapesMovie("CWS");
    out.write("shapes-cws.swf", shapesCompressed);
    FSMovie limits = limitsMovie();
    out.write("field-limits.swf", limits);
    FSMovie manyStyles = manyStylesMovie();
    out.write("many-styles.swf", manyStyles);
    FSMovie clipEvents5 = clipEventsMovie(5);
    out.write("clip-events-v5.swf", clipEvents5);
    FSMovie clipEvents6 = clipEventsMovie(6);
    out.write("clip-events-v6.swf", clipEvents6);
    FSMovie buttons = buttonsMovie();
    out.write("buttons-and-control-tags.swf", buttons);

    // Clip event actions that run past their tag, into bytes after the movie's declared length.
    {
        Bytes bytes = emptyMovie("FWS").encode();
        bytes.resize(bytes.size() - 2);  // without the end tag
        // Placement (type 26, 24 bytes): events, new; layer 1, character 1; reserved word; all
        // events; a Load event whose Push claims 16 bytes where the tag holds 2.
        const Bytes place = {0x98, 0x06, 0x82, 1, 0, 1, 0, 0, 0,    1,    0,    0,    0,
                             1,    0,    0,    0, 5, 0, 0, 0, 0x96, 0x10, 0x00, 0x00, 0x41};
        bytes.insert(bytes.end(), place.begin(), place.end());
        bytes.insert(bytes.end(), {0x00, 0x00});
        put32(bytes, 4, static_cast<uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), 40, 0x07);
        out.write("clip-event-past-its-tag.swf", bytes);
    }
    const Bytes plain = shapes.encode();
    const Bytes compressed = shapesCompressed.encode();

    // A tag the library does not model, kept byte for byte, and short tags with the long header.
    {
        FSMovie movie = emptyMovie("FWS");
        movie.add(std::make_unique<FSUnknownObject>(16, Bytes{1, 2, 3, 4, 5}));
        auto background = std::make_unique<FSSetBackgroundColor>(FSColor(255, 255, 255));
        background->setExtendLength(true);
        movie.add(std::move(background));
        auto frame = std::make_unique<FSShowFrame>();
        frame->setExtendLength(true);
        movie.add(std::move(frame));
        movie.add(std::make_unique<FSUnknownObject>(63, Bytes(70, 0xAB)));
        out.write("unknown-and-long-headers.swf", movie);
    }

    // Header lengths that lie: 4 GB, far too short, zero.
    for (const uint32_t claimed : {0xFFFFFFFFu, 0x80000000u, 9u, 0u}) {
        char name[64];
        Bytes lying = compressed;
        put32(lying, 4, claimed);
        std::snprintf(name, sizeof name, "cws-length-%08x.swf", claimed);
        out.write(name, lying);
        lying = plain;
        put32(lying, 4, claimed);
        std::snprintf(name, sizeof name, "fws-length-%08x.swf", claimed);
        out.write(name, lying);
    }

    // Cut short: in the header, in the first tag, in a later tag, before the end tag; and a
    // compressed body cut in the middle of the zlib stream.
    for (const std::size_t keep :
         {std::size_t{5}, std::size_t{22}, plain.size() / 2, plain.size() - 2}) {
        char name[64];
        std::snprintf(name, sizeof name, "fws-truncated-%zu.swf", keep);
        out.write(name, Bytes(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(keep)));
    }
    out.write("cws-truncated.swf",
              Bytes(compressed.begin(),
                    compressed.begin() + static_cast<std::ptrdiff_t>(compressed.size() / 2)));

    // Tags whose header disagrees with their body, and a long header claiming 2 GB - 1.
    {
        Bytes bytes = emptyMovie("FWS").encode();
        bytes.resize(bytes.size() - 2);                 // without the end tag
        const Bytes tail = {0x45, 0x02, 1, 2, 3, 0, 0,  // background colour (type 9)
                                                        // declaring 5 bytes for 3
                            0x42, 0x02, 1,              // background colour declaring 2 bytes for 3
                            0x7F, 0x02, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2,
                            3,  // long header of 2^31 - 1 bytes
                            0x00, 0x00};
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        put32(bytes, 4, static_cast<uint32_t>(bytes.size()));
        out.write("mis-sized-tags.swf", bytes);
        // The same without the end tag.
        bytes.resize(bytes.size() - 2);
        put32(bytes, 4, static_cast<uint32_t>(bytes.size()));
        out.write("no-end-tag.swf", bytes);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    try {
        SeedWriter out(argv[1]);
        writeSeeds(out);
        std::printf("%d seeds written to %s\n", out.written(), argv[1]);
    } catch (const FSException& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
