#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QPlainTextEdit;

namespace vistrel {

class PreferencesModel;

// Edit > Preferences…: the folders scans leave out, one pattern a line, with what each
// kind of pattern means. OK stays disabled while a line is unusable.
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(PreferencesModel* model, QWidget* parent = nullptr);

    QPlainTextEdit* exclusionsEditor() const { return editor_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    void update();

    PreferencesModel* model_;
    QPlainTextEdit* editor_;
    QLabel* problem_;
    QDialogButtonBox* buttons_;
};

} // namespace vistrel
