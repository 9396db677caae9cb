// Slide transitions (p:transition, also inside mc:AlternateContent) and entrance animations of the
// timing tree, mapped to the host's entry-effect codes.
#pragma once

#include <map>

#include "host/pptx/model.h"
#include "host/pptx/xml.h"

namespace quillet::pptx {

// Reads the transition of a slide element (p:sld); false when the slide has none.
bool readTransition(pugi::xml_node slide, Transition& out);

// The entry-effect code of a transition effect element (p:wipe, p:cover, ...) given its local
// name; 0 for effects without a counterpart.
int transitionEffectCode(pugi::xml_node effect);

// Speed for a duration in seconds: the nearest of fast (0.5 s), medium (0.75 s) and slow (1 s).
int speedForDuration(float seconds);

// Entrance animations of the slide's main sequence by target shape id. Exit, emphasis and motion
// path effects are ignored; a shape animated several times keeps its first entrance.
std::map<int, Animation> readEntranceAnimations(pugi::xml_node slide);

// Entry-effect code of an entrance preset (presetID, presetSubtype).
int entranceEffectCode(int presetId, int presetSubtype);

}  // namespace quillet::pptx
