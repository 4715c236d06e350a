#include "PreferencesModel.h"

#include "scanner/ExclusionPatterns.h"
#include "services/Preferences.h"

#include <algorithm>

namespace vistrel {

PreferencesModel::PreferencesModel(Preferences* preferences, QObject* parent)
    : QObject(parent)
    , preferences_(preferences)
{
    if (preferences_) {
        exclusionsText_ = preferences_->exclusionPatterns().join(QLatin1Char('\n'));
        historyKeepCount_ = preferences_->historyKeepCount();
        automaticUpdateChecks_ = preferences_->automaticUpdateChecks().value_or(false);
    }
}

void PreferencesModel::setAutomaticUpdateChecks(bool on)
{
    automaticUpdateChecks_ = on;
    Q_EMIT changed();
}

void PreferencesModel::setHistoryKeepCount(int count)
{
    historyKeepCount_ = std::clamp(count, 0, 100);
    Q_EMIT changed();
}

void PreferencesModel::setExclusionsText(const QString& text)
{
    exclusionsText_ = text;
    problem_.clear();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString line = lines[index].trimmed();
        if (line.isEmpty())
            continue;
        const std::string problem = ExclusionPatterns::problemWith(line.toStdString());
        if (!problem.empty()) {
            problem_ = QStringLiteral("Line %1: %2").arg(index + 1).arg(QString::fromStdString(problem));
            break;
        }
    }
    Q_EMIT changed();
}

QStringList PreferencesModel::patterns() const
{
    QStringList result;
    for (const QString& line : exclusionsText_.split(QLatin1Char('\n'))) {
        if (const QString pattern = line.trimmed(); !pattern.isEmpty())
            result << pattern;
    }
    return result;
}

bool PreferencesModel::apply()
{
    if (!problem_.isEmpty())
        return false;
    if (preferences_) {
        preferences_->setExclusionPatterns(patterns());
        preferences_->setHistoryKeepCount(historyKeepCount_);
        if (updateChecksOffered_)
            preferences_->setAutomaticUpdateChecks(automaticUpdateChecks_);
    }
    return true;
}

} // namespace vistrel
