#pragma once

#include "objectstore/StoreSchema.h"

namespace vistrel {

// The snapshot schema, version 1.0.0: one entity, VistrelFile, in one flat table keyed by
// (level, id). Stores of it are still read; new ones are written with the next version.
struct SchemaV1_0_0 {
    static constexpr const char* versionIdentifier = "1.0.0";
    static const StoreSchema& schema();
};

} // namespace vistrel
