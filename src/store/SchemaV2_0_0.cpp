#include "SchemaV2_0_0.h"

#include "SchemaV1_0_0.h"

namespace vistrel {

const StoreSchema& SchemaV2_0_0::schema()
{
    static const StoreSchema schema = [] {
        StoreSchema made = SchemaV1_0_0::schema();
        made.version = versionIdentifier;
        made.hierarchy = StoreSchema::Hierarchy{"level", "name", 1};
        made.flatVersions = {SchemaV1_0_0::versionIdentifier};
        return made;
    }();
    return schema;
}

} // namespace vistrel
