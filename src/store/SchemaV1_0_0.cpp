#include "SchemaV1_0_0.h"

namespace vistrel {

const StoreSchema& SchemaV1_0_0::schema()
{
    using Type = StoreSchema::AttributeType;
    static const StoreSchema schema{
        versionIdentifier,
        "VistrelFile",
        {
            {"id", Type::text, false},
            {"name", Type::text, false},
            {"level", Type::integer, false},
            {"fileResourceType", Type::integer, true},
            {"fileCount", Type::integer, true},
            {"totalSize", Type::integer, true},
            {"totalAllocatedSize", Type::integer, true},
            {"isPurgeable", Type::integer, true},
        },
        "id",
        {"level", "id"},
        std::nullopt,
        {},
    };
    return schema;
}

} // namespace vistrel
