#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace vistrel {

class Preferences;

// The Preferences dialog's state: the folders scans leave out, edited as text, one pattern
// a line. Nothing is saved while a line is unusable; the problem names the line.
class PreferencesModel : public QObject {
    Q_OBJECT
public:
    explicit PreferencesModel(Preferences* preferences, QObject* parent = nullptr);

    const QString& exclusionsText() const { return exclusionsText_; }
    void setExclusionsText(const QString& text);
    // The patterns the text holds: its lines, trimmed, blank ones dropped.
    QStringList patterns() const;
    // Why the text cannot be saved ("Line 2: …"), or empty.
    const QString& problem() const { return problem_; }
    // How many earlier snapshots of each scan root are kept (0 to 100).
    int historyKeepCount() const { return historyKeepCount_; }
    void setHistoryKeepCount(int count);
    // Daily checks for new versions, offered only by builds that check at all; off until
    // the person turns them on.
    bool updateChecksOffered() const { return updateChecksOffered_; }
    void setUpdateChecksOffered(bool offered) { updateChecksOffered_ = offered; }
    bool automaticUpdateChecks() const { return automaticUpdateChecks_; }
    void setAutomaticUpdateChecks(bool on);
    // Saves the patterns, the count and (where offered) the update checks; false (and
    // nothing saved) while there is a problem.
    bool apply();

Q_SIGNALS:
    void changed();

private:
    Preferences* preferences_;
    QString exclusionsText_;
    QString problem_;
    int historyKeepCount_ = 5;
    bool updateChecksOffered_ = false;
    bool automaticUpdateChecks_ = false;
};

} // namespace vistrel
