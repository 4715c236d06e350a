#pragma once

#include "filesystem/FileUrl.h"

#include <QWidget>

#include <string>
#include <vector>

namespace vistrel {

class ExplorerModel;
class NavigationModel;

// The current directory as a row of buttons, one per path component; a click on an ancestor
// pushes a screen rooted there, a click on the current directory does nothing.
class ExplorerPathBarView : public QWidget {
    Q_OBJECT
public:
    struct Component {
        FileUrl url; // the ancestor directory that ends with this component
        std::string name; // the component's own text ("/" for the root)
    };
    // "/usr/share/" gives /, usr and share with their directories.
    static std::vector<Component> components(const FileUrl& currentPath);

    ExplorerPathBarView(ExplorerModel* explorerModel, NavigationModel* navigationModel, QWidget* parent = nullptr);

    // What a click on component `index` does.
    void activate(std::size_t index);

private:
    ExplorerModel* explorerModel_;
    NavigationModel* navigationModel_;
    std::vector<Component> components_;
};

} // namespace vistrel
