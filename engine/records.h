// The conversion's data model: one job per conversion, the presentation it converts with its
// working files, one record per master and slide, one element per built shape, and the sink that
// hears the progress. The phases are job operations over these plain records.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/texts.h"
#include "engine/working_folder.h"
#include "host/host.h"
#include "settings/settings.h"
#include "swf/basic_types.h"
#include "swf/movie.h"

namespace quillet::engine {

class ConversionJob;
struct Element;

// The engine's failures: a message for the user; the driver reports it and cleans up.
class ConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Hears a conversion's progress. A phaseStep of 0 opens a phase: text is its title and the overall
// bar advances by overallStep. Any other phaseStep is a step within the open phase: text is its
// detail and the phase bar advances by phaseStep.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual void reportProgress(std::string text, int phaseStep, int overallStep) = 0;
};

// A sink that hears nothing.
class SilentProgress : public ProgressSink {
  public:
    void reportProgress(std::string, int, int) override {}
};

// Rounding of a real value to an integer throughout the engine: x + 0.5, truncated.
inline int roundHalf(double x) {
    return static_cast<int>(x + 0.5);
}

// The movie's fixed frame rate; one point of the slide is one pixel (20 twips) of the movie.
inline constexpr float kFrameRate = 20.0f;
inline constexpr int kTwipsPerPoint = 20;
// Quality of the JPEG pictures the engine makes of opaque pictures drawn in memory.
inline constexpr int kJpegQuality = 90;

// The highest character identifier a movie can hold (identifiers are 16-bit).
inline constexpr int kMaximumIdentifier = 65535;

// The fill of a background as read from the host.
struct BackgroundFill {
    int type = 0;  // host::fill_type: -2 mixed, 1 solid, 2 patterned, 3 gradient, 4 textured, ...
    int subCode = 0;  // the pattern for type 2, else 0
    int backColour = 0;
    int foreColour = 0;
};

// What the timeline needs of an element's entry effect; filled when effects are built.
struct EffectRecord {
    std::shared_ptr<host::AnimationSettings> animation;
    int startFlag = 0;     // 1: the clip plays as soon as the slide shows it
    int delayFrames = 0;   // frames before the effect starts; -1: started only from outside
    int lengthFrames = 0;  // frames the effect itself takes
};

// One built shape: it names one character of the movie that the timeline places.
struct Element {
    ConversionJob* job = nullptr;
    bool named = false;
    // Identifiers of the characters the effect builder works on; empty at creation.
    std::vector<int> effectParts;
    // Members of a group, each built against the group's top-left corner; placed by the group's
    // own sprite, never by the timeline.
    std::vector<std::unique_ptr<Element>> members;
    int slideIndex = 0;
    int shapeIndex = 0;
    std::shared_ptr<host::Shape> hostShape;
    int characterId = 0;    // set by the builder that succeeds
    int effectClipId = -1;  // -1: no entry effect clip
    // Shown by the effect clip of the element before it (the body of the same shape), never
    // placed by the timeline on its own.
    bool carriedByEffect = false;
    float left = 0, top = 0, width = 0, height = 0;  // points
    // In twips: (-round(left x 20), -round(top x 20)) to the frame's width and height.
    transform::FSBounds bounds;
    bool outlineVisible = false;
    float outlineWeight = 0;  // points
    transform::FSColor lineColour{0, 0, 0, 255};
    bool fillVisible = false;
    std::shared_ptr<host::Fill> fill;
    // The rounded outline width in twips, set when the picture was exported with an outline.
    int outlineOffsetX = 0;
    int outlineOffsetY = 0;
    float pictureScale = 1.0f;  // 1.4222 once exported as PNG
    float textTurn = 0;         // text: the turn it takes on the shape's, clockwise (0..360)
    // The shape's text is drawn by a text element of its own: pictures of the shape leave it out.
    bool textDrawnApart = false;
    // The picture holds a group's own effects alone, under its members built one by one.
    bool effectsAlone = false;
    // Where the timeline places the character on the slide; the element builder sets it.
    transform::FSCoordTransform transform;
    // A hard shadow's shape and its offset on the slide (twips), joined with the element's own
    // shape in a sprite once the element is placed; 0 when it casts none.
    int shadowId = 0;
    double shadowDx = 0, shadowDy = 0;
};

// One master (index -1 title master, -2 slide master) or slide (index 0, 1, ...).
struct SlideRecord {
    int index = 0;
    std::shared_ptr<host::Shapes> shapes;
    bool displayMasterShapes = false;
    bool followMasterBackground = false;
    std::string masterName;    // "SlideMaster" and "TitleMaster" select the two master records
    int backgroundColour = 0;  // RGB, red in the low byte: the background's foreground colour
    std::shared_ptr<host::Fill> backgroundFill;
    BackgroundFill backgroundInfo;
    ConversionJob* job = nullptr;
    std::shared_ptr<host::SlideTransition> transition;  // none for masters
    int backgroundBitmap = -1;  // identifier in the movie, -1 when there is none
    int backgroundWidth = -1;   // pixels
    int backgroundHeight = -1;
    std::vector<std::unique_ptr<Element>> elements;  // z-order, back to front
    // In element order; one entry per element with an entry effect.
    std::vector<std::pair<const Element*, EffectRecord>> animatedElements;
    // Written by the timeline.
    int transitionFrames = 0;
    int frameCount = 0;  // 0: not yet computed
    int spriteId = 0;
    int timerClipId = 0;
};

// The presentation being converted, with the names of its working files.
class PresentationContext {
  public:
    // False when the application has no active presentation. Saves an unsaved presentation.
    bool takeActivePresentation(const std::shared_ptr<host::Application>& application);
    const std::shared_ptr<host::Presentation>& presentation() const { return presentation_; }
    const std::shared_ptr<host::Application>& application() const { return application_; }
    bool wasSaved() const { return wasSaved_; }

    std::string fullName() const;
    // The movie beside the presentation: its stem + ".swf" for .ppt, .pptx, .pptm and .ppsx in
    // any case; empty for any other name.
    const std::string& swfPath();
    // This run's private folder (made on the first call, under $TMPDIR); every working file goes
    // in it, never beside the presentation. Throws ConversionError when it cannot be made.
    WorkingFolder& workingFolder();
    // "image" in the private folder; created on the first call.
    const std::string& pictureFolder();
    // An element's picture file there, for a host that cannot draw in memory.
    std::string elementPicture(int slideIndex, int elementIndex, bool asPng);

    // Removes the private folder with everything in it. Never throws.
    void removeWorkingFiles() noexcept;

  private:
    std::shared_ptr<host::Application> application_;
    std::shared_ptr<host::Presentation> presentation_;
    bool wasSaved_ = false;
    std::string swfPathCache_;
    std::unique_ptr<WorkingFolder> workingFolder_;
    std::string pictureFolderCache_;

    std::string picturePath(const std::string& fileName);
};

// The key colour a picture's scratch background gets from keyColour (RGB, red in the low byte):
// red - 10 when above 10, green + 10 when below 245, blue - 10 when above 10.
int derivedKeyColour(int keyColour);

// One conversion. Owns the context, the movie, the records and their elements.
class ConversionJob {
  public:
    ConversionJob(ProgressSink& progress, settings::SettingsSource settings, std::uint32_t seed);

    PresentationContext context;
    transform::FSMovie movie;  // version 7, written compressed
    transform::FSBounds frameBounds;
    std::vector<std::unique_ptr<SlideRecord>> slides;  // title master, slide master, slides
    SlideRecord* titleMasterRecord = nullptr;
    SlideRecord* slideMasterRecord = nullptr;
    ProgressSink& progress;
    // The one source of random choices of this conversion (effects), seeded per conversion.
    std::mt19937 random;
    // The slide texts and their glyphs, gathered while elements are built.
    TextTable texts;
    // The masks already defined, by effect code: each is written once and shared.
    std::map<int, int> maskTable;

    // The options, read afresh at every place of use.
    settings::ConversionSettings settings() const { return settings_.read(); }
    const settings::SettingsSource& settingsSource() const { return settings_; }

    // The next character identifier of the movie; throws ConversionError past 65535.
    int newIdentifier();

    // The identifier of a picture's bitmap (pixels as media/pixel_bitmaps.h takes them): JPEG
    // for an opaque photograph, lossless otherwise. A picture drawn again (a logo on every slide,
    // a fill that many shapes share) takes the bitmap already defined. 0 when it cannot be
    // defined.
    int pictureBitmap(std::uint32_t width, std::uint32_t height,
                      std::span<const std::uint32_t> pixels, bool photograph);

    // The master record a slide shows: title master for "TitleMaster", slide master for
    // "SlideMaster", else none (also for null and for the master records themselves).
    SlideRecord* getMasterRecord(const SlideRecord* record) const;

    // The number of slides of the presentation (masters not counted).
    int slideCount() const;

  private:
    settings::SettingsSource settings_;
    // The bitmaps defined so far, by digest; the tags are the movie's.
    struct DefinedBitmap {
        int identifier = 0;
        const transform::FSDefineObject* tag = nullptr;
    };
    std::multimap<std::uint64_t, DefinedBitmap> definedBitmaps_;
};

}  // namespace quillet::engine
