#pragma once

#include <QString>

namespace vistrel {

struct UsedSpace;

// The sentence that says where a volume's used space went, for the scan screen and the
// explorer's root: "Used 187.2 GB: 16.5 GB scanned, 167.8 GB reserved for the superuser, …".
class UsedSpaceText {
public:
    static QString describe(const UsedSpace& space);
};

} // namespace vistrel
