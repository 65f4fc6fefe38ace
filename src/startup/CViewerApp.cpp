#include "startup/CViewerApp.h"

#include "browser/CRadio_explorer.h"
#include "catalogue/Config.h"
#include "localfiles/VersionRecord.h"
#include "network/HttpLibrary.h"
#include "radio/CSonavia.h"
#include "radio/RadioServices.h"
#include "resources/Resources.h"
#include "rules/Product.h"
#include "shell/AppValues.h"
#include "shell/CMessage.h"
#include "shell/KeyboardFilter.h"
#include "shell/QuitSignals.h"
#include "shell/StartupContext.h"
#include "startup/CommandLine.h"
#include "startup/DisplayPlatform.h"
#include "startup/LogSetup.h"
#include "startup/RunningInstance.h"
#include "startup/SingleInstance.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

namespace sonavia {

namespace {

// How the messages of the command line name the program when it was started without a name.
constexpr char kProgramName[] = "sonavia";

} // namespace

int CViewerApp::Run(int argc, char** argv) {
    // Read before the instance name is claimed: help, the version and a mistyped option start
    // nothing and touch no file.
    const CommandLine command = ParseCommandLine(argc, argv);
    const std::string program =
        argc > 0 ? std::filesystem::path(argv[0]).filename().string() : std::string(kProgramName);
    switch (command.action) {
    case CommandAction::Help:
        std::cout << UsageText(program);
        return 0;
    case CommandAction::Version:
        std::cout << VersionText(ReadOwnVersionNumber());
        return 0;
    case CommandAction::Invalid:
        std::cerr << InvalidText(program, command.unknown);
        return kUsageExitCode;
    case CommandAction::Run:
    case CommandAction::Show:
        break;
    }
    SetUpLog(command.verbose);

    // Taken before anything else, as the instance name must be claimed first.
    SingleInstanceLock instanceLock;

    // Without a display Qt would abort; the user reads why instead.
    if (const auto noWindow = PrepareDisplay()) {
        std::cerr << *noWindow << '\n';
        return kStartFailedExitCode;
    }
    PrepareWebEngine();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProductTitle));
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window of the program, the message dialog among them, shows the program's icon.
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(resources::kWindowIcon)));
    KeyboardFilter keyboardFilter;
    application.installEventFilter(&keyboardFilter);
    return RunInstance(instanceLock, command.action == CommandAction::Show);
}

int CViewerApp::RunInstance(const SingleInstanceLock& instanceLock, bool showRunning) {
    // The desktop matches the program's windows to its launcher and icon by this name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    if (instanceLock.AnotherInstanceRuns()) {
        if (showRunning && RaiseRunningInstance()) {
            return 0;
        }
        // A plain second start, or --show that the running program did not take: the message
        // says why no window comes, and --show's exit code that it failed.
        ShowMessage(QString::fromLatin1(kAlreadyRunningText));
        return showRunning ? kNotShownExitCode : 0;
    }

    StartupContext context;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        context.screenHeight = screen->geometry().height();
    }

    const HttpLibrary network;
    if (!network.Ready()) {
        ShowMessage(QString::fromLatin1(kNetworkInitFailedText));
        return 0;
    }
    QuitSignals quitSignals;

    // The start-up directory is the current directory when it holds the interface archive, else
    // the program's own folder or, for an installed program, the user's folder (Config.h). With no
    // archive the window would be blank, so the program says so, writing nothing anywhere.
    const std::optional<StartupPlaces> places = FindStartupPlaces(CurrentStartupFacts());
    if (!places) {
        ShowMessage(QString::fromLatin1(kArchiveNamed) + QString::fromLatin1(kArchiveMissingText));
        return kStartFailedExitCode;
    }
    if (!FillStartupDirectory(*places)) {
        ShowMessage(QString::fromLatin1(kArchiveNamed) +
                    QString::fromLatin1(kArchiveNotCopiedText) +
                    QString::fromStdString(places->startupDirectory.string()));
        return kStartFailedExitCode;
    }
    context.startupDirectory = places->startupDirectory;
    context.dataDirectory = places->dataDirectory;
    context.versionNumber = ReadOwnVersionNumber();
    std::error_code error;
    std::filesystem::current_path(context.startupDirectory, error);

    context.interfacePack = ReadArchiveDirectory(context.InterfaceArchivePath());
    if (context.interfacePack.fault != ArchiveFault::None) {
        ShowMessage(QString::fromLatin1(kArchiveNamed) +
                    QString::fromLatin1(ArchiveFaultText(context.interfacePack.fault)));
        return kStartFailedExitCode;
    }

    // The services outlive the base window that builds them; the archive's directory goes with
    // them at the end of the loop.
    auto services = std::make_unique<RadioServices>(std::move(context));
    auto baseWindow = std::make_unique<CSonavia>(*services);
    baseWindow->Create();

    if (!app::exitRequested && !app::quitRequested) {
        QApplication::exec();
    }

    baseWindow->done(QDialog::Accepted);
    baseWindow.reset();
    services.reset();
    return 0;
}

} // namespace sonavia
