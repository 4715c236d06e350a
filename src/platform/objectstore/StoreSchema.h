#pragma once

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

    std::string version;           // "1.0.0"
    std::string entityName;        // the table
    std::vector<Attribute> attributes;
    std::string identityAttribute; // unique per entity: what makes two objects equal
    std::vector<std::string> indexAttributes; // the compound index, in order

    int attributeIndex(const std::string& name) const; // -1 when unknown
};

} // namespace vistrel
