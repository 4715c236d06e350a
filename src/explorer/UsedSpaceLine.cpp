#include "UsedSpaceLine.h"

#include "details/UsedSpaceText.h"
#include "filesystem/MountTable.h"
#include "filesystem/UsedSpace.h"
#include "services/Background.h"
#include "services/Log.h"

namespace vistrel {

UsedSpaceLine::UsedSpaceLine(std::string root, std::int64_t scannedAllocated, QWidget* parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("usedSpace"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setContentsMargins(10, 4, 10, 4);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    setFont(small);
    hide();
    runInBackground(
        lifetime_,
        [root = std::move(root), scannedAllocated] {
            try {
                if (MountTable::startsVolume(MountTable::read(), root))
                    return UsedSpaceText::describe(UsedSpace::measure(root, scannedAllocated));
            } catch (const std::exception& error) {
                Log::error(LogCategory::app, std::string("cannot measure the used space: ") + error.what());
            }
            return QString();
        },
        [this](const QString& text) {
            if (text.isEmpty())
                return;
            setText(text);
            setAccessibleName(text);
            show();
        });
}

} // namespace vistrel
