// Internal to the library: the byte-for-byte read-back check shared by the event lists of clip
// placements and buttons.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "swf/coder.h"
#include "swf/exceptions.h"

namespace transform::internal {

// A stream that reads a copy of part of a tag codes it as the tag's own stream does.
inline void copyContexts(const FSCoder& from, FSCoder& to) {
    for (int slot = 0; slot < FSCoder::NumberOfContexts; ++slot)
        to.setContext(slot, from.getContext(slot));
}

// Whether the events in original read back as a list that writes them again byte for byte. They
// are read from a stream holding only the events, so that no action can take bytes from beyond
// the tag (which a re-encoded movie does not have), and without the listener, which hears the
// real reading afterwards. The owner's events are left empty.
//   readList(in, endBit, list) -> bool   reads the list, true when it had the expected layout
//   length(out) -> int                   the encoded size of the owner's events
//   encode(out)                          writes the owner's events
template <typename Event, typename ReadList, typename Length, typename Encode>
bool eventsReadBack(const char* owner, std::vector<Event>& events,
                    std::span<const uint8_t> original, const FSCoder& coder, ReadList readList,
                    Length length, Encode encode) {
    FSInputStream in(original.data(), original.size());
    copyContexts(coder, in);
    std::vector<Event> list;
    bool read = false;
    try {
        read = readList(in, original.size() * 8, list);
    } catch (const FSFormatException&) {
        throw;
    } catch (const FSAllocationException&) {
        throw;
    } catch (const FSException&) {
        // The copy ends with the tag: whatever the file holds after it, this is refused.
        throw FSFormatException(std::string(owner) + ": the events run past the end of the tag.");
    }
    if (!read || in.getCursor() != original.size() * 8) return false;
    try {
        events = std::move(list);
        FSOutputStream sizer(0);
        copyContexts(coder, sizer);
        bool same = false;
        if (length(sizer) == static_cast<int>(original.size())) {
            FSOutputStream out(original.size());
            copyContexts(coder, out);
            length(out);
            encode(out);
            same = std::equal(original.begin(), original.end(), out.getData().begin());
        }
        events.clear();
        return same;
    } catch (const FSException&) {
        events.clear();
        return false;
    }
}

}  // namespace transform::internal
