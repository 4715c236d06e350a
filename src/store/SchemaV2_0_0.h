#pragma once

#include "objectstore/StoreSchema.h"

namespace vistrel {

// The snapshot schema, version 2.0.0: the entities of 1.0.0 in the folder layout, each folder's
// path stored once. Stores of 1.0.0 are still read as they are.
struct SchemaV2_0_0 {
    static constexpr const char* versionIdentifier = "2.0.0";
    static const StoreSchema& schema();
};

} // namespace vistrel
