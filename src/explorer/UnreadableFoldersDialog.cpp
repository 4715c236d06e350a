#include "UnreadableFoldersDialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace vistrel {

UnreadableFoldersDialog::UnreadableFoldersDialog(const QStringList& folders, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Folders That Could Not Be Read"));
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    auto* list = new QPlainTextEdit(folders.join(QLatin1Char('\n')), this);
    list->setReadOnly(true);
    list->setAccessibleName(QStringLiteral("Unreadable folders"));
    list->setMinimumSize(520, 300);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(list);
    layout->addWidget(buttons);
}

} // namespace vistrel
