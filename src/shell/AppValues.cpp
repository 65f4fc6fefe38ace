#include "shell/AppValues.h"

#include <QApplication>
#include <QDialog>

namespace sonavia::app {

std::filesystem::path InterfaceArchivePath() {
    return startupDirectory / kInterfaceFolder / kInterfaceArchiveName;
}

void RequestExit() {
    exitRequested = true;
    QCoreApplication::exit(0);
}

} // namespace sonavia::app

namespace sonavia::app {

void PostQuit() {
    quitRequested = true;
    QCoreApplication::exit(0);
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        modal->reject();
    }
}

} // namespace sonavia::app
