#pragma once

#include <optional>
#include <string>

namespace vistrel {

// Moves items to the freedesktop.org trash of their volume (through Qt, which knows the
// home trash and the per-volume ones) and puts them back for an undo.
class TrashMover {
public:
    struct Trashed {
        std::string original;
        std::string inTrash;
    };
    struct Outcome {
        std::optional<Trashed> trashed;
        std::string failure; // why not, when not trashed
        bool noUsableTrash = false; // the item could be deleted, but its volume has no trash
    };

    static Outcome moveToTrash(const std::string& path);
    // Puts a trashed item back where it was and drops its trash record; the reason when it
    // cannot (something else is there now, or it left the trash). Never replaces anything.
    static std::optional<std::string> restore(const Trashed& item);
};

} // namespace vistrel
