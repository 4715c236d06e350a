#pragma once

#include <QDialog>

#include "services/LifetimeToken.h"
#include <memory>
#include <string>

class QStackedLayout;

namespace vistrel {

// A quick look at a file in a window of its own: an image, the beginning of a text, a button
// that opens the file in its default application, or word that it is gone since the scan.
// Esc or Space closes it. The file is read off the main thread.
class FilePreviewWindow : public QDialog {
    Q_OBJECT
public:
    enum class Kind { loading, image, text, other, missing };

    explicit FilePreviewWindow(std::string path, QWidget* parent = nullptr);
    ~FilePreviewWindow() override;

    const std::string& path() const { return path_; }
    Kind kind() const { return kind_; }

    static constexpr qint64 maximumTextBytes = 1 << 20;

Q_SIGNALS:
    void kindChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showLoaded(Kind kind, const QImage& image, const QString& text);

    std::string path_;
    Kind kind_ = Kind::loading;
    QStackedLayout* stack_;
    LifetimeToken lifetime_;
};

} // namespace vistrel
