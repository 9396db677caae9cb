// Reading a whole package into the resolved model.
#pragma once

#include <memory>
#include <string>

#include "host/pptx/model.h"
#include "host/pptx/package.h"

namespace quillet::pptx {

// Reads and resolves a presentation package; throws PackageError with a clear message when the
// package cannot be read as a presentation. Broken optional parts (a layout, a theme, a picture)
// are skipped and noted in PresentationData::warnings.
std::shared_ptr<PresentationData> readPresentation(std::shared_ptr<const Package> package);

// Opens a file (.pptx, .pptm, .ppsx, .potx) and reads it.
std::shared_ptr<PresentationData> openPresentation(const std::string& path);

// An empty presentation: 720 x 540 points, one white master, blank and title layouts, no slides.
std::shared_ptr<PresentationData> newPresentation();

// A deep copy of a presentation: its slides, master records and layout templates with every shape
// copied, so that edits to one never show in the other. Pictures still read from the package.
std::shared_ptr<PresentationData> clonePresentation(const PresentationData& source);

}  // namespace quillet::pptx
