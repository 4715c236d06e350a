#include "StoreSchema.h"

namespace vistrel {

int StoreSchema::attributeIndex(const std::string& name) const
{
    for (std::size_t index = 0; index < attributes.size(); ++index) {
        if (attributes[index].name == name)
            return static_cast<int>(index);
    }
    return -1;
}

} // namespace vistrel
