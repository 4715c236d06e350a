#include "VistrelFileSearch.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <functional>

namespace vistrel {

namespace {

// Sorted by `before` and cut at the limit.
void keepFirst(VistrelFileSearch::Result& result,
               const std::function<bool(const VistrelFile&, const VistrelFile&)>& before)
{
    std::stable_sort(result.files.begin(), result.files.end(), before);
    if (result.files.size() > static_cast<std::size_t>(VistrelFileSearch::resultLimit))
        result.files.erase(result.files.begin() + VistrelFileSearch::resultLimit, result.files.end());
}

} // namespace

VistrelFileSearch::Result VistrelFileSearch::search(const FileUrl& root, const std::string& text, StoreContext& context)
{
    // Case is folded again by the store's comparison; lowering here only follows the locale.
    // Text that is not UTF-8 stays as its bytes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    const QByteArray loweredBytes = decoder.hasError() ? QByteArray(text.data(), static_cast<qsizetype>(text.size()))
                                                       : decoded.toLower().toUtf8();
    const std::string needle(loweredBytes.constData(), static_cast<std::size_t>(loweredBytes.size()));
    Result result = LevelQuery::run(
        root, context, [&] { return StorePredicate::containsIgnoringCaseAndDiacritics("name", needle); },
        {{"fileResourceType", false}, {"totalAllocatedSize", false}}, resultLimit);
    keepFirst(result, [](const VistrelFile& a, const VistrelFile& b) {
        if (a.fileResourceType != b.fileResourceType)
            return b.fileResourceType < a.fileResourceType;
        return b.totalAllocatedSize < a.totalAllocatedSize;
    });
    return result;
}

VistrelFileSearch::Result VistrelFileSearch::largestFiles(const FileUrl& root, StoreContext& context)
{
    // Every type but the directory's code, which is the highest.
    Result result = LevelQuery::run(
        root, context, [] { return StorePredicate::lessThan("fileResourceType", std::int64_t{255}); },
        {{"totalAllocatedSize", false}}, resultLimit);
    keepFirst(result, [](const VistrelFile& a, const VistrelFile& b) {
        return b.totalAllocatedSize.value_or(0) < a.totalAllocatedSize.value_or(0);
    });
    return result;
}

} // namespace vistrel
