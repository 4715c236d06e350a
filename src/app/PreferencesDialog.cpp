#include "PreferencesDialog.h"

#include "PreferencesModel.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vistrel {

PreferencesDialog::PreferencesDialog(PreferencesModel* model, QWidget* parent)
    : QDialog(parent)
    , model_(model)
    , editor_(new QPlainTextEdit(this))
    , problem_(new QLabel(this))
    , buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(QStringLiteral("Preferences"));
    setAccessibleName(QStringLiteral("Preferences"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("<b>Leave out of scans</b>"), this);
    auto* help = new QLabel(QStringLiteral("One pattern a line. A name leaves out every folder of that name "
                                           "(node_modules, *.bak); an absolute path leaves out that folder, each * "
                                           "within one folder name (/home/*/.cache); any other path matches at any "
                                           "depth (build/tmp). Left-out folders are shown without figures."),
                            this);
    help->setWordWrap(true);
    editor_->setPlainText(model_->exclusionsText());
    editor_->setAccessibleName(QStringLiteral("Folders to leave out of scans"));
    editor_->setTabChangesFocus(true);
    editor_->setMinimumSize(480, 160);
    title->setBuddy(editor_);
    problem_->setWordWrap(true);
    QPalette warning = problem_->palette();
    warning.setColor(QPalette::WindowText, QColor(0xc0, 0x1c, 0x28));
    problem_->setPalette(warning);
    layout->addWidget(title);
    layout->addWidget(help);
    layout->addWidget(editor_, 1);
    layout->addWidget(problem_);
    // How much history a scan keeps: each earlier snapshot costs its own store file.
    auto* history = new QHBoxLayout;
    auto* keepLabel = new QLabel(QStringLiteral("Earlier snapshots to &keep of each folder:"), this);
    auto* keep = new QSpinBox(this);
    keep->setRange(0, 100);
    keep->setValue(model_->historyKeepCount());
    keep->setAccessibleName(QStringLiteral("Earlier snapshots to keep of each folder"));
    keepLabel->setBuddy(keep);
    history->addWidget(keepLabel);
    history->addWidget(keep);
    history->addStretch();
    layout->addLayout(history);
    connect(keep, &QSpinBox::valueChanged, model_, &PreferencesModel::setHistoryKeepCount);
    if (model_->updateChecksOffered()) {
        auto* updates = new QCheckBox(QStringLiteral("Check for new versions of Vistrel once a &day"), this);
        updates->setAccessibleName(QStringLiteral("Check for new versions of Vistrel once a day"));
        updates->setChecked(model_->automaticUpdateChecks());
        connect(updates, &QCheckBox::toggled, model_, &PreferencesModel::setAutomaticUpdateChecks);
        layout->addWidget(updates);
    }
    layout->addWidget(buttons_);

    connect(editor_, &QPlainTextEdit::textChanged, this, [this] { model_->setExclusionsText(editor_->toPlainText()); });
    connect(model_, &PreferencesModel::changed, this, &PreferencesDialog::update);
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] {
        if (model_->apply())
            accept();
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    update();
}

void PreferencesDialog::update()
{
    problem_->setText(model_->problem());
    problem_->setVisible(!model_->problem().isEmpty());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(model_->problem().isEmpty());
}

} // namespace vistrel
