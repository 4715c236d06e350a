#pragma once

#include "filesystem/FileUrl.h"

#include <QWidget>

class QLabel;
class QToolButton;

#include <string>
#include <vector>

namespace vistrel {

class ExplorerModel;
class NavigationModel;

// The current directory as a row of buttons, one per path component, in a rounded box; a
// click on an ancestor pushes a screen rooted there, a click on the current directory does
// nothing. When the row is too long, the middle components fold to "…" first, then the
// remaining names are cut at the tail: the row never runs past the box.
class ExplorerPathBarView : public QWidget {
    Q_OBJECT
public:
    struct Component {
        FileUrl url; // the ancestor directory that ends with this component
        std::string name; // the component's own text ("/" for the root)
    };
    // "/usr/share/" gives /, usr and share with their directories. With a scan root, the
    // components start there: nothing above the snapshot's root is offered, and the root's
    // component is its whole path ("/usr/share/" under the root "/usr/" gives /usr and share).
    static std::vector<Component> components(const FileUrl& currentPath, const FileUrl& scanRoot = FileUrl("/"));

    ExplorerPathBarView(ExplorerModel* explorerModel, NavigationModel* navigationModel,
                        const FileUrl& scanRoot = FileUrl("/"), QWidget* parent = nullptr);

    // Figures shown at the box's trailing end (the selected item then and now, while the
    // screen compares); empty hides them.
    void setFigures(const QString& figures);
    QLabel* figures() const { return figures_; }

    // What a click on component `index` does.
    void activate(std::size_t index);
    // The buttons, one per component (tests read what they show).
    const std::vector<QToolButton*>& buttons() const { return buttons_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Lays the row out in the current width: whole names when they fit, else folded.
    void arrange();
    int rowWidth(const std::vector<int>& widths) const;

    ExplorerModel* explorerModel_;
    NavigationModel* navigationModel_;
    std::vector<Component> components_;
    std::vector<QString> names_;
    std::vector<QToolButton*> buttons_;
    std::vector<int> fullWidths_; // each button with its whole name
    std::vector<QLabel*> chevrons_; // after every component but the last
    QLabel* figures_ = nullptr;
};

} // namespace vistrel
