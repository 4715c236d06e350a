#include "KeyPathComparator.h"

#include "ExplorerTableRowModelDataSource.h"

#include <QLocale>

#include <unicode/coll.h>
#include <unicode/stringpiece.h>

#include <memory>

namespace vistrel {

namespace {

// One collator per thread: ICU collators are cheap to use but not to make.
icu::Collator* collator()
{
    thread_local std::unique_ptr<icu::Collator> instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(
            icu::Collator::createInstance(icu::Locale(QLocale().name().toStdString().c_str()), status));
        if (U_FAILURE(status) || !made)
            return std::unique_ptr<icu::Collator>();
        // Letter case does not order names; digit runs compare by their value.
        made->setStrength(icu::Collator::SECONDARY);
        made->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        return made;
    }();
    return instance.get();
}

template <typename T> int compareValues(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

int compareNames(std::string_view a, std::string_view b)
{
    if (icu::Collator* names = collator()) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result
            = names->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                                 icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
        if (U_SUCCESS(status) && result != UCOL_EQUAL)
            return result == UCOL_LESS ? -1 : 1;
    }
    return compareValues(a, b); // equal to the collator: bytes keep the order stable
}

int KeyPathComparator::compare(const ExplorerTableRowModelDataSource& a, const ExplorerTableRowModelDataSource& b) const
{
    int result = 0;
    switch (key) {
    case Key::name:
        result = compareNames(a.name(), b.name());
        break;
    case Key::fileCount:
        result = compareValues(a.fileCount().value_or(0), b.fileCount().value_or(0));
        break;
    case Key::allocatedSize:
        result = compareValues(a.totalAllocatedSize().value_or(0), b.totalAllocatedSize().value_or(0));
        break;
    case Key::totalSize:
        result = compareValues(a.totalSize().value_or(0), b.totalSize().value_or(0));
        break;
    case Key::change: {
        const auto magnitude = [](const ExplorerTableRowModelDataSource& source) {
            return source.comparison() ? source.comparison()->magnitude() : std::uint64_t{0};
        };
        result = compareValues(magnitude(a), magnitude(b));
        break;
    }
    case Key::resourceType:
        result = compareValues<int>(a.fileResourceType().value_or(0), b.fileResourceType().value_or(0));
        break;
    }
    return forward ? result : -result;
}

bool ordersBefore(const SortOrder& order, const ExplorerTableRowModelDataSource& a,
                  const ExplorerTableRowModelDataSource& b)
{
    for (const KeyPathComparator& comparator : order) {
        if (const int result = comparator.compare(a, b); result != 0)
            return result < 0;
    }
    return false;
}

SortOrder effectiveOrder(const SortOrder& order)
{
    SortOrder effective{KeyPathComparator{KeyPathComparator::Key::resourceType, false}};
    if (!order.empty())
        effective.push_back(order.front());
    return effective;
}

} // namespace vistrel
