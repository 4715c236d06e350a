#pragma once

#include "objectstore/StoreSchema.h"

namespace vistrel {

// The snapshot schema, version 1.0.0: one entity, VistrelFile, with the (level, id) index.
struct SchemaV1_0_0 {
    static constexpr const char* versionIdentifier = "1.0.0";
    static const StoreSchema& schema();
};

} // namespace vistrel
