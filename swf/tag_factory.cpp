#include "swf/tag_factory.h"

#include "swf/display_list.h"

namespace transform {

std::unique_ptr<FSMovieObject> makeTagObject(int type, FSInputStream& coder) {
    switch (type) {
        case 1: return std::make_unique<FSShowFrame>(coder);
        case 9: return std::make_unique<FSSetBackgroundColor>(coder);
        case 26: return std::make_unique<FSPlaceObject2>(coder);
        default: return std::make_unique<FSUnknownObject>(coder);
    }
}

}  // namespace transform
