#pragma once

#include "ItemUrl.h"
#include "SizeComparison.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vistrel {

class VistrelFile;

// What a row of the explorer table reads of its item.
class ExplorerTableRowModelDataSource {
public:
    virtual ~ExplorerTableRowModelDataSource() = default;

    virtual const ItemUrl& url() const = 0;
    virtual const std::string& name() const = 0;
    virtual std::optional<std::int64_t> totalAllocatedSize() const = 0;
    // The apparent size (the bytes the files hold), beside the allocated one.
    virtual std::optional<std::int64_t> totalSize() const = 0;
    virtual std::optional<std::int64_t> fileCount() const = 0;
    virtual std::optional<std::uint8_t> fileResourceType() const = 0;
    // The snapshot's entity behind the row; none for the "Other files" row.
    virtual const VistrelFile* file() const { return nullptr; }
    // Against the earlier snapshot while the table compares; none otherwise.
    virtual const SizeComparison* comparison() const { return nullptr; }
};

} // namespace vistrel
