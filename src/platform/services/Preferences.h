#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSettings;

namespace vistrel {

// Per-user preferences: QSettings in the native format under the application id, or one
// file given by the caller (tests).
class Preferences {
public:
    static constexpr const char* persistedSnapshotKey = "persistedSnapshot";
    static constexpr const char* tableCustomizationKey = "explorer.table.customization";
    // How many columns the saved table layout has: a layout from before a column was added
    // does not fit the table and is left for the defaults.
    static constexpr const char* tableColumnCountKey = "explorer.table.columnCount";
    static constexpr const char* searchTableCustomizationKey = "explorer.search.table.customization";
    static constexpr const char* selectedTabKey = "explorer.selectedTab";

    Preferences();
    explicit Preferences(const QString& fileName);
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    // True until the user chooses otherwise: a snapshot goes to disk by default.
    bool persistedSnapshot() const;
    void setPersistedSnapshot(bool on);
    QByteArray tableCustomization() const;
    void setTableCustomization(const QByteArray& state);
    // Absent for a layout saved before the count was kept (three columns).
    int tableColumnCount() const;
    void setTableColumnCount(int count);
    QByteArray searchTableCustomization() const;
    void setSearchTableCustomization(const QByteArray& state);
    // The folders scans leave out (see the scanner's exclusion patterns), in the user's order.
    static constexpr const char* exclusionPatternsKey = "scan.exclusions";
    // The folders scanned lately, newest first, as bytes (a path need not be UTF-8).
    static constexpr const char* recentFoldersKey = "scan.recentFolders";
    static constexpr int recentFolderCount = 6;
    std::vector<std::string> recentFolders() const;
    // Puts `folder` first, dropping it from further down and the oldest beyond the count.
    void addRecentFolder(const std::string& folder);
    QStringList exclusionPatterns() const;
    void setExclusionPatterns(const QStringList& patterns);
    // Whether explorer screens show the map below the table (shown until hidden).
    static constexpr const char* mapShownKey = "explorer.map.shown";
    bool mapShown() const;
    void setMapShown(bool shown);
    // The table-over-map splitter's layout (the map's height).
    static constexpr const char* mapSplitterKey = "explorer.map.splitter";
    QByteArray mapSplitter() const;
    void setMapSplitter(const QByteArray& state);
    // Whether explorer screens show the details beside the table, the table-beside-details
    // splitter's layout, and whether the details unfold their advanced rows.
    static constexpr const char* detailsShownKey = "explorer.details.shown";
    bool detailsShown() const;
    void setDetailsShown(bool shown);
    static constexpr const char* detailsSplitterKey = "explorer.details.splitter";
    QByteArray detailsSplitter() const;
    void setDetailsSplitter(const QByteArray& state);
    static constexpr const char* detailsAdvancedShownKey = "explorer.details.advanced";
    bool detailsAdvancedShown() const;
    void setDetailsAdvancedShown(bool shown);
    // How many earlier snapshots of each scan root are kept (0 keeps none).
    static constexpr const char* historyKeepCountKey = "history.keepCount";
    static constexpr int defaultHistoryKeepCount = 5;
    int historyKeepCount() const;
    void setHistoryKeepCount(int count);
    QString selectedTab() const;
    void setSelectedTab(const QString& tab);

    // Automatic update checks: absent until the user has been asked.
    static constexpr const char* automaticUpdateChecksKey = "updates.automatic";
    std::optional<bool> automaticUpdateChecks() const;
    void setAutomaticUpdateChecks(bool on);

    // Writes pending changes to permanent storage.
    void sync();

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace vistrel
