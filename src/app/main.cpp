// vistrel: the desktop application. `vistrel FILE` opens that snapshot store; `vistrel`
// opens the per-user snapshot.
#include "VistrelMainWindow.h"

#include "details/FileIcons.h"
#include "objectstore/StoreContainer.h"
#include "objectstore/StoreError.h"
#include "services/ApplicationIdentity.h"
#include "services/Preferences.h"
#include "store/SnapshotCompletion.h"
#include "store/SnapshotReader.h"
#include "store/VistrelModelContainer.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

using namespace vistrel;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vistrel"));
    QApplication::setDesktopFileName(QString::fromLatin1(applicationId));
    FileIcons::prepareTheme();

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1].startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr, "usage: vistrel [SNAPSHOT-FILE]\n");
        return 2;
    }
    const std::string location = arguments.size() == 2 ? arguments[1].toLocal8Bit().toStdString()
                                                       : VistrelModelContainer::onDiskStoreLocation();
    std::shared_ptr<StoreContainer> container;
    try {
        container = VistrelModelContainer::shared().makeContainer(location, VistrelModelContainer::Access::readOnly);
    } catch (const ModelContainerError& error) {
        const QString message = QString::fromStdString(error.what());
        std::fprintf(stderr, "vistrel: %s\n", error.what());
        QMessageBox::critical(nullptr, QStringLiteral("Vistrel"), message);
        return 1;
    }

    ExplorerEnvironment environment;
    environment.reader = std::make_shared<SnapshotReader>(container);
    environment.searchReader = std::make_shared<SnapshotReader>(container);
    Preferences preferences;
    environment.preferences = &preferences;
    try {
        environment.scanFinished = SnapshotCompletion::isFinished(*container);
        environment.unreadableDirectories = SnapshotCompletion::unreadableDirectories(*container);
        if (const auto root = SnapshotCompletion::scanRoot(*container))
            environment.scanRoot = FileUrl::directory(*root);
    } catch (const StoreError&) {
        // An older snapshot without these facts opens at "/" as complete.
    }

    VistrelMainWindow window(environment);
    window.show();
    return QApplication::exec();
}
