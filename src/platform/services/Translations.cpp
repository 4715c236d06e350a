#include "Translations.h"

#include "Log.h"

#include <QCoreApplication>
#include <QTranslator>

namespace vistrel {

void Translations::install()
{
    static QTranslator english;
    static const bool loaded = english.load(QStringLiteral(":/i18n/vistrel_en.qm"));
    if (!loaded || !QCoreApplication::installTranslator(&english))
        Log::error(LogCategory::app, "cannot install the built-in English plural forms");
}

} // namespace vistrel
