#pragma once

#include <QWidget>

#include <cstdint>

namespace vistrel {

// The volume's usage: a rounded bar whose filled part is the used share of its width, never
// narrower than 20 points (so a total of 0 still shows 20).
class UsageBar : public QWidget {
    Q_OBJECT
public:
    explicit UsageBar(QWidget* parent = nullptr);

    void setUsage(std::int64_t used, std::int64_t total);
    // The filled width for a bar `width` wide.
    static int filledWidth(std::int64_t used, std::int64_t total, int width);

    QSize sizeHint() const override { return {600, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t used_ = 0;
    std::int64_t total_ = 0;
};

} // namespace vistrel
