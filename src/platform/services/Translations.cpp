#include "Translations.h"

#include "Log.h"

#include <QCoreApplication>
#include <QTranslator>

#include <algorithm>
#include <climits>

namespace vistrel {

void Translations::install()
{
    static QTranslator english;
    static const bool loaded = english.load(QStringLiteral(":/i18n/vistrel_en.qm"));
    if (!loaded || !QCoreApplication::installTranslator(&english))
        Log::error(LogCategory::app, "cannot install the built-in English plural forms");
}

int Translations::count(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

} // namespace vistrel
