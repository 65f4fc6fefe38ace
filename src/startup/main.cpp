#include "startup/CViewerApp.h"

int main(int argc, char** argv) {
    sonavia::CViewerApp application;
    return application.Run(argc, argv);
}
