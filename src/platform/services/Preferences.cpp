#include "Preferences.h"

#include "ApplicationIdentity.h"

#include <QSettings>
#include <QVariantList>

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

std::vector<std::string> Preferences::recentFolders() const
{
    std::vector<std::string> folders;
    for (const QVariant& value : settings_->value(QLatin1String(recentFoldersKey)).toList()) {
        const QByteArray bytes = value.toByteArray();
        if (!bytes.isEmpty() && bytes.front() == '/')
            folders.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return folders;
}

void Preferences::addRecentFolder(const std::string& folder)
{
    if (folder.empty() || folder.front() != '/')
        return;
    std::vector<std::string> folders = recentFolders();
    folders.erase(std::remove(folders.begin(), folders.end(), folder), folders.end());
    folders.insert(folders.begin(), folder);
    if (folders.size() > static_cast<std::size_t>(recentFolderCount))
        folders.resize(recentFolderCount);
    QVariantList values;
    for (const std::string& kept : folders)
        values.append(QByteArray(kept.data(), static_cast<qsizetype>(kept.size())));
    settings_->setValue(QLatin1String(recentFoldersKey), values);
}

bool Preferences::mapShown() const
{
    return settings_->value(QLatin1String(mapShownKey), true).toBool();
}

void Preferences::setMapShown(bool shown)
{
    settings_->setValue(QLatin1String(mapShownKey), shown);
}

bool Preferences::detailsShown() const
{
    return settings_->value(QLatin1String(detailsShownKey), true).toBool();
}

void Preferences::setDetailsShown(bool shown)
{
    settings_->setValue(QLatin1String(detailsShownKey), shown);
}

QByteArray Preferences::detailsSplitter() const
{
    return settings_->value(QLatin1String(detailsSplitterKey)).toByteArray();
}

void Preferences::setDetailsSplitter(const QByteArray& state)
{
    settings_->setValue(QLatin1String(detailsSplitterKey), state);
}

bool Preferences::detailsAdvancedShown() const
{
    return settings_->value(QLatin1String(detailsAdvancedShownKey), false).toBool();
}

void Preferences::setDetailsAdvancedShown(bool shown)
{
    settings_->setValue(QLatin1String(detailsAdvancedShownKey), shown);
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
