#include "VistrelFileSearch.h"

#include "objectstore/StoreContainer.h"

#include <QLocale>
#include <QString>

namespace vistrel {

VistrelFileSearch::Result VistrelFileSearch::search(const FileUrl& root, const std::string& text, StoreContext& context)
{
    const QString lowered = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLower();
    const QByteArray loweredBytes = lowered.toUtf8();
    const std::string needle(loweredBytes.constData(), static_cast<std::size_t>(loweredBytes.size()));
    const std::string& prefix = root.path();
    // level > L keeps the root itself out; the prefix ends with a separator, so a sibling
    // whose name merely begins with the root's name is never under it.
    StorePredicate predicate = StorePredicate::conjunction(
        StorePredicate::conjunction(StorePredicate::greaterThan("level", root.pathComponentCount()),
                                    StorePredicate::greaterThan("id", prefix)),
        StorePredicate::conjunction(StorePredicate::beginsWith("id", prefix),
                                    StorePredicate::containsIgnoringCaseAndDiacritics("name", needle)));
    StoreFetchDescriptor descriptor{std::move(predicate),
                                    {{"fileResourceType", false}, {"totalAllocatedSize", false}},
                                    resultLimit};
    // The count and the first rows come from one pass over the matching rows.
    auto [total, objects] = context.fetchWithTotal(descriptor);
    Result result;
    result.total = total;
    const std::string& identity = context.container().storeIdentity();
    for (StoredObject& object : objects)
        result.files.push_back(VistrelFile::fromStored(std::move(object), identity));
    return result;
}

} // namespace vistrel
