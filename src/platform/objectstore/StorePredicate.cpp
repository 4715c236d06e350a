#include "StorePredicate.h"

namespace vistrel {

StorePredicate StorePredicate::equal(std::string attribute, StoreValue value)
{
    StorePredicate predicate;
    predicate.kind_ = Kind::equal;
    predicate.attribute_ = std::move(attribute);
    predicate.value_ = std::move(value);
    return predicate;
}

StorePredicate StorePredicate::greaterThan(std::string attribute, StoreValue value)
{
    StorePredicate predicate = equal(std::move(attribute), std::move(value));
    predicate.kind_ = Kind::greaterThan;
    return predicate;
}

StorePredicate StorePredicate::lessThan(std::string attribute, StoreValue value)
{
    StorePredicate predicate = equal(std::move(attribute), std::move(value));
    predicate.kind_ = Kind::lessThan;
    return predicate;
}

StorePredicate StorePredicate::beginsWith(std::string attribute, std::string prefix)
{
    StorePredicate predicate = equal(std::move(attribute), std::move(prefix));
    predicate.kind_ = Kind::beginsWith;
    return predicate;
}

StorePredicate StorePredicate::containsIgnoringCaseAndDiacritics(std::string attribute, std::string text)
{
    StorePredicate predicate = equal(std::move(attribute), std::move(text));
    predicate.kind_ = Kind::containsFolded;
    return predicate;
}

StorePredicate StorePredicate::conjunction(StorePredicate left, StorePredicate right)
{
    StorePredicate predicate;
    predicate.kind_ = Kind::conjunction;
    predicate.left_ = std::make_shared<const StorePredicate>(std::move(left));
    predicate.right_ = std::make_shared<const StorePredicate>(std::move(right));
    return predicate;
}

} // namespace vistrel
