#pragma once

#include <QDialog>
#include <QStringList>

namespace vistrel {

// The full list of the folders a scan could not read, one a line with its reason; opened
// from the explorer's notice.
class UnreadableFoldersDialog : public QDialog {
    Q_OBJECT
public:
    UnreadableFoldersDialog(const QStringList& folders, QWidget* parent);
};

} // namespace vistrel
