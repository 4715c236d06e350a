#include "ExplorerPathBarView.h"

#include "ExplorerModel.h"
#include "NavigationModel.h"

#include "details/FileIcons.h"
#include "details/FileThumbnailView.h"
#include "filesystem/VolumeFigures.h"
#include "services/DisplayName.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

#include <algorithm>

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

std::vector<ExplorerPathBarView::Component> ExplorerPathBarView::components(const FileUrl& currentPath,
                                                                            const FileUrl& scanRoot)
{
    const std::string& path = currentPath.path();
    std::string root = scanRoot.path();
    if (root.empty() || path.compare(0, root.size(), root) != 0)
        root.assign(1, '/'); // assign("/") trips a false -Wrestrict in GCC 12
    std::vector<Component> components;
    if (root == "/") {
        components.push_back({FileUrl("/"), "/"});
    } else {
        std::string shown = root;
        shown.pop_back(); // "/usr/share", as a person writes it
        components.push_back({FileUrl(root), shown});
    }
    for (std::size_t start = root.size(); start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            components.push_back({FileUrl::directory(path.substr(0, end)), path.substr(start, end - start)});
        start = end + 1;
    }
    return components;
}

namespace {

constexpr int spacing = 5;
constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 4;
constexpr int chevronSize = 12;
const QString folded = QStringLiteral("…");

} // namespace

ExplorerPathBarView::ExplorerPathBarView(ExplorerModel* explorerModel, NavigationModel* navigationModel,
                                         const FileUrl& scanRoot, QWidget* parent)
    : QWidget(parent)
    , explorerModel_(explorerModel)
    , navigationModel_(navigationModel)
    , components_(components(explorerModel->currentPath(), scanRoot))
{
    setAccessibleName(QStringLiteral("Path"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    for (std::size_t index = 0; index < components_.size(); ++index) {
        const Component& component = components_[index];
        QString name = text(component.name);
        if (index == 0 && component.name == "/" && volumeName())
            name = text(*volumeName());
        names_.push_back(name);
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        const QPixmap picture = FileIcons::picture(component.url.path(), 16, devicePixelRatioF());
        button->setIcon(picture.isNull() ? QIcon(FileIcons::placeholder(16)) : QIcon(picture));
        button->setText(name);
        button->setToolTip(name);
        button->setAccessibleName(name);
        connect(button, &QToolButton::clicked, this, [this, index] { activate(index); });
        buttons_.push_back(button);
        fullWidths_.push_back(button->sizeHint().width());
        if (index + 1 < components_.size()) {
            auto* chevron = new QLabel(this);
            chevron->setPixmap(FileIcons::symbol(QStringLiteral("chevron.right")).pixmap(chevronSize, chevronSize));
            auto* opacity = new QGraphicsOpacityEffect(chevron);
            opacity->setOpacity(0.6);
            chevron->setGraphicsEffect(opacity);
            chevron->setFixedSize(chevronSize, chevronSize);
            chevrons_.push_back(chevron);
        }
    }
    figures_ = new QLabel(this);
    figures_->setTextFormat(Qt::PlainText);
    figures_->hide();
}

void ExplorerPathBarView::setFigures(const QString& figures)
{
    figures_->setText(figures);
    figures_->setAccessibleName(figures);
    figures_->setVisible(!figures.isEmpty());
    arrange();
}

QSize ExplorerPathBarView::sizeHint() const
{
    int height = 0;
    for (QToolButton* button : buttons_)
        height = std::max(height, button->sizeHint().height());
    return {rowWidth(fullWidths_), height + 2 * verticalPadding};
}

QSize ExplorerPathBarView::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

int ExplorerPathBarView::rowWidth(const std::vector<int>& widths) const
{
    int width = 2 * horizontalPadding;
    int shown = 0;
    for (const int each : widths) {
        if (each <= 0)
            continue;
        width += each;
        ++shown;
    }
    return width + std::max(0, shown - 1) * (2 * spacing + chevronSize);
}

void ExplorerPathBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(box, 6, 6);
}

void ExplorerPathBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void ExplorerPathBarView::arrange()
{
    const std::size_t count = buttons_.size();
    if (count == 0)
        return;
    const auto widthOf = [](QToolButton* button, const QString& label) {
        button->setText(label);
        return button->sizeHint().width();
    };
    std::vector<QString> labels = names_;
    std::vector<int> widths = fullWidths_;
    // The figures keep their room at the trailing end; the path takes what is left.
    int figuresWidth = 0;
    if (figures_ && figures_->isVisible()) {
        figuresWidth = std::min(figures_->sizeHint().width(), width() / 2);
        figures_->setGeometry(width() - horizontalPadding - figuresWidth,
                              (height() - figures_->sizeHint().height()) / 2, figuresWidth,
                              figures_->sizeHint().height());
        figuresWidth += 2 * spacing;
    }
    const int available = width() - figuresWidth;
    // The first and the last two stay readable the longest; the ones between fold, nearest
    // the root first, and past one fold they go, the first fold standing for them all.
    const std::size_t lastMiddle = count >= 3 ? count - 3 : 0;
    for (std::size_t index = 1; index <= lastMiddle && rowWidth(widths) > available; ++index) {
        labels[index] = folded;
        widths[index] = widthOf(buttons_[index], folded);
    }
    for (std::size_t index = 2; index <= lastMiddle && rowWidth(widths) > available; ++index)
        widths[index] = 0;
    // Still too long: cut the remaining names at the tail, the widest first, down to "…".
    while (rowWidth(widths) > available) {
        std::size_t widest = count;
        for (std::size_t index = 0; index < count; ++index)
            if (widths[index] > 0 && labels[index] != folded && (widest == count || widths[index] > widths[widest]))
                widest = index;
        if (widest == count)
            break; // everything is "…": the box clips what is left
        const int over = rowWidth(widths) - available;
        const QFontMetrics metrics = buttons_[widest]->fontMetrics();
        // Each pass makes the name strictly shorter, so the loop ends.
        const int shownWidth = metrics.horizontalAdvance(labels[widest]);
        const int target = std::max(0, std::min(shownWidth - over, shownWidth - 1));
        const QString shorter = metrics.elidedText(names_[widest], Qt::ElideRight, target);
        // A name Qt cannot shorten ("/" is one character) folds at once.
        labels[widest] = shorter.isEmpty() || shorter == folded || shorter == labels[widest] ? folded : shorter;
        widths[widest] = widthOf(buttons_[widest], labels[widest]);
    }
    // Narrower still: components go from the root's end; the current directory stays.
    for (std::size_t index = 0; index + 1 < count && rowWidth(widths) > available; ++index)
        widths[index] = 0;
    int x = horizontalPadding;
    for (std::size_t index = 0; index < count; ++index) {
        QToolButton* button = buttons_[index];
        const bool shown = widths[index] > 0;
        button->setVisible(shown);
        if (index + 1 < count)
            chevrons_[index]->setVisible(shown);
        if (!shown)
            continue;
        button->setText(labels[index]);
        const int buttonHeight = button->sizeHint().height();
        const int room = available - horizontalPadding - x;
        button->setVisible(room > 0);
        button->setGeometry(x, (height() - buttonHeight) / 2, std::min(widths[index], room), buttonHeight);
        x += widths[index];
        if (index + 1 < count) {
            chevrons_[index]->move(x + spacing, (height() - chevronSize) / 2);
            x += 2 * spacing + chevronSize;
        }
    }
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
