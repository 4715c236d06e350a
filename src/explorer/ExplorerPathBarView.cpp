#include "ExplorerPathBarView.h"

#include "ExplorerModel.h"
#include "NavigationModel.h"

#include "details/FileIcons.h"
#include "details/FileThumbnailView.h"
#include "filesystem/VolumeFigures.h"
#include "services/DisplayName.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace vistrel {

namespace {

// The volume's name, read once: the path bar is rebuilt for every screen.
const std::optional<std::string>& volumeName()
{
    static const std::optional<std::string> name = [] {
        try {
            return VolumeFigures::read("/").localizedName;
        } catch (...) {
            return std::optional<std::string>();
        }
    }();
    return name;
}

QString text(const std::string& bytes)
{
    return DisplayName::of(bytes);
}

} // namespace

std::vector<ExplorerPathBarView::Component> ExplorerPathBarView::components(const FileUrl& currentPath)
{
    std::vector<Component> components{{FileUrl("/"), "/"}};
    const std::string& path = currentPath.path();
    for (std::size_t start = 1; start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            components.push_back({FileUrl::directory(path.substr(0, end)), path.substr(start, end - start)});
        start = end + 1;
    }
    return components;
}

ExplorerPathBarView::ExplorerPathBarView(ExplorerModel* explorerModel, NavigationModel* navigationModel,
                                         QWidget* parent)
    : QWidget(parent)
    , explorerModel_(explorerModel)
    , navigationModel_(navigationModel)
    , components_(components(explorerModel->currentPath()))
{
    setAccessibleName(QStringLiteral("Path"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(5);
    layout->setContentsMargins(8, 4, 8, 4);
    for (std::size_t index = 0; index < components_.size(); ++index) {
        const Component& component = components_[index];
        QString name = text(component.name);
        if (index == 0 && volumeName())
            name = text(*volumeName());
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        const QPixmap picture = FileIcons::picture(component.url.path(), 16, devicePixelRatioF());
        button->setIcon(picture.isNull() ? QIcon(FileIcons::placeholder(16)) : QIcon(picture));
        button->setText(name);
        button->setToolTip(name);
        button->setAccessibleName(name);
        connect(button, &QToolButton::clicked, this, [this, index] { activate(index); });
        layout->addWidget(button);
        if (index + 1 < components_.size()) {
            auto* chevron = new QLabel(this);
            QPixmap arrow = FileIcons::symbol(QStringLiteral("chevron.right")).pixmap(12, 12);
            chevron->setPixmap(arrow);
            auto* opacity = new QGraphicsOpacityEffect(chevron);
            opacity->setOpacity(0.6);
            chevron->setGraphicsEffect(opacity);
            layout->addWidget(chevron);
        }
    }
    layout->addStretch();
}

void ExplorerPathBarView::activate(std::size_t index)
{
    if (index >= components_.size())
        return;
    const FileUrl& url = components_[index].url;
    if (explorerModel_->canSetAsCurrent(ItemUrl::file(url)))
        navigationModel_->push(ExplorerNavigationDestination::explorer(url));
}

} // namespace vistrel
