// Maps a tag type code to the class that models it.
#pragma once

#include <memory>

#include "swf/object.h"

namespace transform {

// Builds the object of the given type from the stream, whose cursor is at the tag header.
// Types the library does not model give an FSUnknownObject.
std::unique_ptr<FSMovieObject> makeTagObject(int type, FSInputStream& coder);

}  // namespace transform
