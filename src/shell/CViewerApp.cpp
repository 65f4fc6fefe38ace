#include "shell/CViewerApp.h"

#include "catalogue/ArchiveImages.h"
#include "catalogue/Config.h"
#include "radio/CSonavia.h"
#include "resources/Resources.h"
#include "shell/AppValues.h"
#include "shell/CMessage.h"
#include "shell/KeyboardFilter.h"
#include "shell/QuitSignals.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <curl/curl.h>
#include <memory>

namespace sonavia {

namespace {

// Releases the HTTP library's global state when the program ends, however it ends.
struct NetworkServices {
    bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    ~NetworkServices() {
        if (ok) {
            curl_global_cleanup();
        }
    }
};

} // namespace

int CViewerApp::Run(int argc, char** argv) {
    // Taken before anything else, as the instance name must be claimed first.
    SingleInstanceLock instanceLock;

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window of the program, the message dialog among them, shows the program's icon.
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(resources::kWindowIcon)));
    KeyboardFilter keyboardFilter;
    application.installEventFilter(&keyboardFilter);
    return RunInstance(instanceLock);
}

int CViewerApp::RunInstance(const SingleInstanceLock& instanceLock) {
    if (instanceLock.AnotherInstanceRuns()) {
        ShowMessage(QString::fromLatin1(kAlreadyRunningText));
        return 0;
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        app::screenHeight = screen->geometry().height();
    }

    NetworkServices network;
    if (!network.ok) {
        ShowMessage(QString::fromLatin1(kNetworkInitFailedText));
        return 0;
    }
    QuitSignals quitSignals;

    std::error_code error;
    app::startupDirectory = std::filesystem::current_path(error);
    SetDataDirectory(app::startupDirectory);
    app::versionNumber = ReadOwnVersionNumber();
    std::filesystem::current_path(app::startupDirectory, error);

    app::interfacePack = ReadArchiveDirectory(app::InterfaceArchivePath());

    auto baseWindow = std::make_unique<CSonavia>();
    baseWindow->Create();

    if (!app::exitRequested && !app::quitRequested) {
        QApplication::exec();
    }

    app::interfacePack = InterfacePackDirectory{};
    ReleaseBackgroundBitmap();
    baseWindow->done(QDialog::Accepted);
    baseWindow.reset();
    return 0;
}

} // namespace sonavia
