#pragma once

#include "StoreValue.h"

#include <memory>
#include <string>

namespace vistrel {

// The predicate forms the store accepts. They reach SQL only as bound parameters.
class StorePredicate {
public:
    enum class Kind { equal, greaterThan, lessThan, beginsWith, containsFolded, conjunction };

    static StorePredicate equal(std::string attribute, StoreValue value);
    // Text in bytewise string order, or an integer.
    static StorePredicate greaterThan(std::string attribute, StoreValue value);
    static StorePredicate lessThan(std::string attribute, StoreValue value);
    static StorePredicate beginsWith(std::string attribute, std::string prefix);
    // Containment ignoring case and diacritics (the user's locale).
    static StorePredicate containsIgnoringCaseAndDiacritics(std::string attribute, std::string text);
    static StorePredicate conjunction(StorePredicate left, StorePredicate right);

    Kind kind() const { return kind_; }
    const std::string& attribute() const { return attribute_; }
    const StoreValue& value() const { return value_; }
    const StorePredicate& left() const { return *left_; }
    const StorePredicate& right() const { return *right_; }

private:
    StorePredicate() = default;
    Kind kind_ = Kind::equal;
    std::string attribute_;
    StoreValue value_;
    std::shared_ptr<const StorePredicate> left_;
    std::shared_ptr<const StorePredicate> right_;
};

struct StoreSortKey {
    std::string attribute;
    bool ascending = true;
};

} // namespace vistrel
