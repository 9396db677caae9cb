#include "swf/tag_factory.h"

#include "swf/actions.h"
#include "swf/bitmaps.h"
#include "swf/control_tags.h"
#include "swf/display_list.h"
#include "swf/fonts_text.h"
#include "swf/shapes.h"
#include "swf/sounds.h"
#include "swf/sprites_buttons.h"

namespace transform {

std::unique_ptr<FSMovieObject> makeTagObject(int type, FSInputStream& coder) {
    switch (type) {
        case 1: return std::make_unique<FSShowFrame>(coder);
        case 2: return std::make_unique<FSDefineShape>(coder);
        case 3: return std::make_unique<FSFree>(coder);
        case 4: return std::make_unique<FSPlaceObject>(coder);
        case 5: return std::make_unique<FSRemoveObject>(coder);
        case 6: return std::make_unique<FSDefineJPEGImage>(coder);
        case 7: return std::make_unique<FSDefineButton>(coder);
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
        case 23: return std::make_unique<FSButtonColorTransform>(coder);
        case 24: return std::make_unique<FSProtect>(coder);
        case 25: return std::make_unique<FSPathsArePostscript>(coder);
        case 26: return std::make_unique<FSPlaceObject2>(coder);
        case 28: return std::make_unique<FSRemoveObject2>(coder);
        case 32: return std::make_unique<FSDefineShape3>(coder);
        case 33: return std::make_unique<FSDefineText2>(coder);
        case 34: return std::make_unique<FSDefineButton2>(coder);
        case 35: return std::make_unique<FSDefineJPEGImage3>(coder);
        case 36: return std::make_unique<FSDefineImage2>(coder);
        case 37: return std::make_unique<FSDefineTextField>(coder);
        case 38: return std::make_unique<FSQuicktimeMovie>(coder);
        case 39: return std::make_unique<FSDefineMovieClip>(coder);
        case 41: return std::make_unique<FSSerialNumber>(coder);
        case 43: return std::make_unique<FSFrameLabel>(coder);
        case 45: return std::make_unique<FSSoundStreamHead2>(coder);
        case 46: return std::make_unique<FSDefineMorphShape>(coder);
        case 48: return std::make_unique<FSDefineFont2>(coder);
        case 56: return std::make_unique<FSExport>(coder);
        case 57: return std::make_unique<FSImport>(coder);
        case 58: return std::make_unique<FSEnableDebugger>(coder);
        case 59: return std::make_unique<FSInitialize>(coder);
        case 60: return std::make_unique<FSDefineVideo>(coder);
        case 61: return std::make_unique<FSVideoFrame>(coder);
        case 62: return std::make_unique<FSFontInfo2>(coder);
        case 64: return std::make_unique<FSEnableDebugger2>(coder);
        case 65: return std::make_unique<FSLimitScript>(coder);
        case 66: return std::make_unique<FSTabOrder>(coder);
        case 1023: return std::make_unique<FSPointer>(coder);
        default: return std::make_unique<FSUnknownObject>(coder);
    }
}

}  // namespace transform
