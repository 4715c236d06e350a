#include "Preferences.h"

#include "ApplicationIdentity.h"

#include <QSettings>

#include <algorithm>

namespace vistrel {

Preferences::Preferences()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromLatin1(applicationId), QString::fromLatin1(applicationName)))
{
}

Preferences::Preferences(const QString& fileName)
    : settings_(std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

Preferences::~Preferences() = default;

int Preferences::historyKeepCount() const
{
    bool valid = false;
    const int count = settings_->value(QLatin1String(historyKeepCountKey), defaultHistoryKeepCount).toInt(&valid);
    return valid && count >= 0 ? count : defaultHistoryKeepCount;
}

void Preferences::setHistoryKeepCount(int count)
{
    settings_->setValue(QLatin1String(historyKeepCountKey), std::max(0, count));
}

bool Preferences::persistedSnapshot() const
{
    return settings_->value(QLatin1String(persistedSnapshotKey), true).toBool();
}

void Preferences::setPersistedSnapshot(bool on)
{
    settings_->setValue(QLatin1String(persistedSnapshotKey), on);
}

QStringList Preferences::exclusionPatterns() const
{
    return settings_->value(QLatin1String(exclusionPatternsKey)).toStringList();
}

void Preferences::setExclusionPatterns(const QStringList& patterns)
{
    settings_->setValue(QLatin1String(exclusionPatternsKey), patterns);
}

bool Preferences::mapShown() const
{
    return settings_->value(QLatin1String(mapShownKey), true).toBool();
}

void Preferences::setMapShown(bool shown)
{
    settings_->setValue(QLatin1String(mapShownKey), shown);
}

QByteArray Preferences::mapSplitter() const
{
    return settings_->value(QLatin1String(mapSplitterKey)).toByteArray();
}

void Preferences::setMapSplitter(const QByteArray& state)
{
    settings_->setValue(QLatin1String(mapSplitterKey), state);
}

QByteArray Preferences::tableCustomization() const
{
    return settings_->value(QLatin1String(tableCustomizationKey)).toByteArray();
}

void Preferences::setTableCustomization(const QByteArray& state)
{
    settings_->setValue(QLatin1String(tableCustomizationKey), state);
}

int Preferences::tableColumnCount() const
{
    return settings_->value(QLatin1String(tableColumnCountKey), 3).toInt();
}

void Preferences::setTableColumnCount(int count)
{
    settings_->setValue(QLatin1String(tableColumnCountKey), count);
}

QByteArray Preferences::searchTableCustomization() const
{
    return settings_->value(QLatin1String(searchTableCustomizationKey)).toByteArray();
}

void Preferences::setSearchTableCustomization(const QByteArray& state)
{
    settings_->setValue(QLatin1String(searchTableCustomizationKey), state);
}

QString Preferences::selectedTab() const
{
    return settings_->value(QLatin1String(selectedTabKey)).toString();
}

void Preferences::setSelectedTab(const QString& tab)
{
    settings_->setValue(QLatin1String(selectedTabKey), tab);
}

std::optional<bool> Preferences::automaticUpdateChecks() const
{
    const QVariant value = settings_->value(QLatin1String(automaticUpdateChecksKey));
    return value.isValid() ? std::optional<bool>(value.toBool()) : std::nullopt;
}

void Preferences::setAutomaticUpdateChecks(bool on)
{
    settings_->setValue(QLatin1String(automaticUpdateChecksKey), on);
}

void Preferences::sync()
{
    settings_->sync();
}

} // namespace vistrel
