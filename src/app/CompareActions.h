#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

namespace vistrel {

class ComparisonModel;

// View > Compare With and the toolbar's button of the same menu: the earlier snapshots of
// the open snapshot's folder, the one compared with checked, and Stop Comparing.
class CompareActions : public QObject {
    Q_OBJECT
public:
    // `comparison` gives the open snapshot's model (none on the scan screen).
    CompareActions(QMenu* viewMenu, QToolBar* toolbar, QWidget* window, std::function<ComparisonModel*()> comparison);

    QMenu* menu() const { return menu_; }
    QToolButton* toolButton() const { return button_; }
    // Shows the button and enables the menu while a snapshot is open.
    void update();

private:
    void fillMenu();

    QWidget* window_;
    std::function<ComparisonModel*()> comparison_;
    QMenu* menu_;
    QToolButton* button_;
    QAction* buttonAction_;
};

} // namespace vistrel
