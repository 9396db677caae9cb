#include "swf/tag_factory.h"

#include "swf/actions.h"
#include "swf/bitmaps.h"
#include "swf/display_list.h"
#include "swf/fonts_text.h"
#include "swf/shapes.h"
#include "swf/sounds.h"

namespace transform {

std::unique_ptr<FSMovieObject> makeTagObject(int type, FSInputStream& coder) {
    switch (type) {
        case 1: return std::make_unique<FSShowFrame>(coder);
        case 2: return std::make_unique<FSDefineShape>(coder);
        case 6: return std::make_unique<FSDefineJPEGImage>(coder);
        case 8: return std::make_unique<FSJPEGEncodingTable>(coder);
        case 9: return std::make_unique<FSSetBackgroundColor>(coder);
        case 10: return std::make_unique<FSDefineFont>(coder);
        case 11: return std::make_unique<FSDefineText>(coder);
        case 12: return std::make_unique<FSDoAction>(coder);
        case 13: return std::make_unique<FSFontInfo>(coder);
        case 14: return std::make_unique<FSDefineSound>(coder);
        case 15: return std::make_unique<FSStartSound>(coder);
        case 17: return std::make_unique<FSButtonSound>(coder);
        case 18: return std::make_unique<FSSoundStreamHead>(coder);
        case 19: return std::make_unique<FSSoundStreamBlock>(coder);
        case 20: return std::make_unique<FSDefineImage>(coder);
        case 21: return std::make_unique<FSDefineJPEGImage2>(coder);
        case 22: return std::make_unique<FSDefineShape2>(coder);
        case 25: return std::make_unique<FSPathsArePostscript>(coder);
        case 26: return std::make_unique<FSPlaceObject2>(coder);
        case 32: return std::make_unique<FSDefineShape3>(coder);
        case 33: return std::make_unique<FSDefineText2>(coder);
        case 35: return std::make_unique<FSDefineJPEGImage3>(coder);
        case 36: return std::make_unique<FSDefineImage2>(coder);
        case 37: return std::make_unique<FSDefineTextField>(coder);
        case 45: return std::make_unique<FSSoundStreamHead2>(coder);
        case 46: return std::make_unique<FSDefineMorphShape>(coder);
        case 48: return std::make_unique<FSDefineFont2>(coder);
        case 62: return std::make_unique<FSFontInfo2>(coder);
        default: return std::make_unique<FSUnknownObject>(coder);
    }
}

}  // namespace transform
