#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// One entity type of a versioned schema: its attributes in stored order and one compound index.
struct StoreSchema {
    enum class AttributeType { text, integer };
    struct Attribute {
        std::string name;
        AttributeType type;
        bool optional;
    };

    std::string version; // "1.0.0"
    std::string entityName; // the table
    std::vector<Attribute> attributes;
    std::string identityAttribute; // unique per entity: what makes two objects equal
    std::vector<std::string> indexAttributes; // the compound index, in order

    // Set when the identity is a path of '/'-separated components: new stores then keep each
    // folder's path once and key a row by its folder and last component, which makes keys a
    // few bytes instead of a whole path. Queries see the same attributes either way.
    struct Hierarchy {
        std::string depthAttribute; // the same for every entity of one folder
        std::string leafNameAttribute; // usually the last component: then not stored twice
        // The depth of "/": a path one level below another has the next depth, so a folder's
        // rows lie one depth below the folder's own row.
        std::int64_t rootDepth = 0;
    };
    std::optional<Hierarchy> hierarchy;
    // Earlier versions of this entity, stored in one flat table keyed by the compound index:
    // still opened and read as they are.
    std::vector<std::string> flatVersions = {};

    int attributeIndex(const std::string& name) const; // -1 when unknown
};

} // namespace vistrel
