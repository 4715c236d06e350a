#pragma once

#include <QVariantMap>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QStackedLayout;
class QTreeWidget;
class QTreeWidgetItem;
class QMenu;

namespace vistrel {

class EmptyStateView;

// A map of named values of any kind as a tree with a filter field: the extended attributes
// and the property-list contents of the details panel.
class AnyDictionaryBrowserView : public QWidget {
    Q_OBJECT
public:
    class Item; // AnyDictionaryBrowserItem.h

    AnyDictionaryBrowserView(std::vector<std::shared_ptr<Item>> values, QWidget* parent = nullptr);
    ~AnyDictionaryBrowserView() override;

    // Says above the values that only part of them is shown.
    void setCut(bool cut);
    bool showsCutNote() const;

    QLineEdit* filterField() const { return filter_; }
    QTreeWidget* tree() const { return tree_; }
    bool showsNoResults() const;
    // The node behind a row of the tree.
    const Item* itemAt(QTreeWidgetItem* row) const;
    // "Copy ID" and "Copy Value" for a row; the caller owns the menu.
    QMenu* makeContextMenu(QTreeWidgetItem* row);

private:
    void rebuild();

    std::vector<std::shared_ptr<Item>> values_;
    QLineEdit* filter_;
    QStackedLayout* stack_;
    QTreeWidget* tree_;
    EmptyStateView* noResults_ = nullptr;
    // The nodes behind the rows shown, by the index each row keeps.
    std::vector<const Item*> owners_;
    QWidget* noResultsPage_;
    QLabel* cutNote_;
};

} // namespace vistrel
