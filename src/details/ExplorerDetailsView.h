#pragma once

#include "ItemDetails.h"

#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

namespace vistrel {

class Preferences;

// The details of one item: a header with its icon and name, its path (cut at the head), and
// the tabs, the selected one kept in the preferences. The General tab folds its advanced
// rows away, as the preferences keep it.
class ExplorerDetailsView : public QWidget {
    Q_OBJECT
public:
    ExplorerDetailsView(ItemDetails details, Preferences* preferences, QWidget* parent = nullptr);

    const ItemDetails& details() const { return details_; }
    // The file the preview shows; absent while no preview is open.
    const std::optional<std::string>& previewURL() const { return previewUrl_; }
    void openPreview();
    class FilePreviewWindow* preview() const { return preview_; }
    QTabWidget* tabs() const { return tabs_; }
    QToolButton* advancedButton() const { return advancedButton_; }
    QWidget* advancedRows() const { return advanced_; }

    // Tab numbers as the preference keeps them: 1 "General", 2 "Extended Attributes", 3 "Property List".
    static constexpr int generalTab = 1;
    static constexpr int extendedAttributesTab = 2;
    static constexpr int propertyListTab = 3;
    // The preference's numbers of the tabs shown, in order.
    const std::vector<int>& tabNumbers() const { return tabNumbers_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* makeGeneralTab();
    static void addRows(const ItemDetails::Section& section, QWidget* parent, QVBoxLayout* layout);
    void elidePath();

    ItemDetails details_;
    Preferences* preferences_;
    QLabel* path_;
    QTabWidget* tabs_;
    QToolButton* advancedButton_ = nullptr;
    QWidget* advanced_ = nullptr;
    std::vector<int> tabNumbers_; // the preference's number of each shown tab
    std::optional<std::string> previewUrl_;
    class FilePreviewWindow* preview_ = nullptr;
};

} // namespace vistrel
