#pragma once

#include <optional>
#include <string>

namespace vistrel {

class ResolvedItem;

// Moves resolved items to the freedesktop.org trash of their volume and puts them back for
// an undo, through folder descriptors only: the home trash ($XDG_DATA_HOME/Trash, made with
// its parents when missing) for items on the home trash's file system, else the volume's
// $topdir/.Trash/$uid (a sticky folder, not a link) or $topdir/.Trash-$uid. The record is
// written first, exclusively; the item then moves with one rename that replaces nothing.
class TrashMover {
public:
    struct Trashed {
        std::string original; // the item's path, without a trailing '/'
        std::string trashFolder; // the trash holding it: files/ and info/ are inside
        std::string trashName; // its name in files/ (and info/<name>.trashinfo)
        std::string inTrash() const { return trashFolder + "/files/" + trashName; }
    };
    struct Outcome {
        std::optional<Trashed> trashed;
        std::string failure; // why not, when not trashed
        bool noUsableTrash = false; // the item could be deleted, but its volume has no trash
    };

    static Outcome moveToTrash(const ResolvedItem& item);
    // Puts a trashed item back into `parent` (its original folder, resolved again) and drops
    // its trash record; the reason when it cannot (something else is there now, or it left
    // the trash). Never replaces anything.
    static std::optional<std::string> restore(const Trashed& item, const ResolvedItem& parent);

    // $XDG_DATA_HOME/Trash when XDG_DATA_HOME is absolute, else $HOME/.local/share/Trash.
    static std::string homeTrash();
    // The trash record's text: the path percent-encoded byte by byte, as file managers read
    // it, so that a name that is not UTF-8 comes back as the same bytes.
    static std::string recordText(const std::string& path, const std::string& deletionDate);
};

} // namespace vistrel
