#include "swf/tag_factory.h"

#include "swf/actions.h"
#include "swf/display_list.h"
#include "swf/shapes.h"

namespace transform {

std::unique_ptr<FSMovieObject> makeTagObject(int type, FSInputStream& coder) {
    switch (type) {
        case 1: return std::make_unique<FSShowFrame>(coder);
        case 2: return std::make_unique<FSDefineShape>(coder);
        case 9: return std::make_unique<FSSetBackgroundColor>(coder);
        case 12: return std::make_unique<FSDoAction>(coder);
        case 22: return std::make_unique<FSDefineShape2>(coder);
        case 26: return std::make_unique<FSPlaceObject2>(coder);
        case 32: return std::make_unique<FSDefineShape3>(coder);
        case 46: return std::make_unique<FSDefineMorphShape>(coder);
        default: return std::make_unique<FSUnknownObject>(coder);
    }
}

}  // namespace transform
