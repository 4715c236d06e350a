// vistrel: the desktop application. `vistrel` starts on the scan screen; `vistrel FILE` opens
// that snapshot store, or reads that ncdu export, straight into the explorer.
#include "Updater.h"
#include "VistrelMainWindow.h"
#include "VistrelView.h"

#include "details/FileIcons.h"
#include "ncdu/NcduImport.h"
#include "scanview/ScanScreenModel.h"
#include "services/ApplicationIdentity.h"
#include "services/MemoryArenas.h"
#include "services/Preferences.h"
#include "services/Translations.h"
#include "store/VistrelModelContainer.h"

#include <QApplication>
#include <QMessageBox>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace vistrel;

namespace {

// `exportFile`: an ncdu export to read into the window first.
int run(std::shared_ptr<StoreContainer> container, const std::string& exportFile = {})
{
    Preferences preferences;
    VistrelMainWindow window(&preferences, std::move(container));
    if (!exportFile.empty())
        window.rootView()->scanScreenModel()->openExport(exportFile);
#if VISTREL_UPDATE_CHECKS
    // Off unless the person turned them on in Preferences: nothing asks, nothing pops up.
    Updater updater(QApplication::applicationVersion());
    window.setUpdater(&updater);
    window.setUpdateChecksOffered(true);
    if (preferences.automaticUpdateChecks().value_or(false))
        updater.startSchedule();
    QObject::connect(&window, &VistrelMainWindow::automaticUpdateChecksChanged, &updater, [&](bool on) {
        if (on)
            updater.startSchedule();
        else
            updater.stopSchedule();
    });
#endif
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    MemoryArenas::limitToProcessors();
    QApplication application(argc, argv);
    Translations::install();
    QApplication::setApplicationName(QStringLiteral("Vistrel"));
    QApplication::setApplicationVersion(QStringLiteral(VISTREL_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(applicationId));
    FileIcons::prepareTheme();
    QApplication::setWindowIcon(FileIcons::applicationIcon());

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1].startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr, "usage: vistrel [SNAPSHOT-FILE | NCDU-EXPORT]\n");
        return 2;
    }
    std::shared_ptr<StoreContainer> container;
    std::string exportFile;
    if (arguments.size() == 2 && NcduImport::looksLikeExport(argv[1])) {
        exportFile = argv[1]; // read into memory with the scan screen's progress
    } else if (arguments.size() == 2) {
        try {
            // argv keeps the path's bytes; QApplication removed its own options from it.
            container = VistrelModelContainer::shared().makeContainer(std::string(argv[1]),
                                                                      VistrelModelContainer::Access::readOnly);
        } catch (const ModelContainerError& error) {
            std::fprintf(stderr, "vistrel: %s\n", error.what());
            const QString file = QString::fromUtf8(argv[1]);
            QMessageBox::critical(
                nullptr, QStringLiteral("Vistrel"),
                QStringLiteral("Cannot open the snapshot store “%1”: %2").arg(file, QString::fromUtf8(error.what())));
            return 1;
        }
    }
    const int status = run(std::move(container), exportFile);
    // A pool task stuck in the kernel (a hung network mount) must not keep the process from
    // quitting once the window is gone.
    if (!QThreadPool::globalInstance()->waitForDone(2000)) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
