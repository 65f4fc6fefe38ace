#include "shell/AppValues.h"

#include <QApplication>
#include <QDialog>

namespace sonavia::app {

void RequestExit() {
    exitRequested = true;
    QCoreApplication::exit(0);
}

void PostQuit() {
    quitRequested = true;
    QCoreApplication::exit(0);
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        modal->reject();
    }
}

void ClearRequests() {
    exitRequested = false;
    quitRequested = false;
}

} // namespace sonavia::app
