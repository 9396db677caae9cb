// The conversion of one presentation into one movie, as the command and the pages call it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/records.h"
#include "host/host.h"
#include "settings/settings.h"

namespace quillet::engine {

struct ConversionOptions {
    std::string soundPath;  // MP3 or WAV; empty for none
    // Seeds the random choices; without it the current time in seconds does.
    std::optional<std::uint32_t> seed;
    // Where to write the movie; empty: beside the presentation (its stem + ".swf").
    std::string outputPath;
};

struct ConversionResult {
    // 0 the movie was written; 1 the application has no active presentation; 2 the conversion
    // failed (message says why; it was also reported to the progress sink).
    int status = 2;
    std::string swfPath;  // the movie written, empty otherwise
    std::string message;
};

// Converts the application's active presentation. Reports every phase to progress. Working
// files live in a private folder under $TMPDIR; the movie is written whole to "<movie>.part" and
// renamed. An output that is the presentation itself (also through a link) is refused. On any
// failure the private folder is removed and no movie (not even a partial one) is left.
ConversionResult convertPresentation(const std::shared_ptr<host::Application>& application,
                                     ProgressSink& progress,
                                     const settings::SettingsSource& settings,
                                     const ConversionOptions& options = {});

// The movie's name for a presentation file: its stem + ".swf" for .ppt, .pptx, .pptm and .ppsx
// in any case; empty for any other name.
std::string swfPathFor(const std::string& presentationPath);

}  // namespace quillet::engine
