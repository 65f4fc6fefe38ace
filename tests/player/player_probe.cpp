// Creates a media player the way the program does at start-up, posting the quit request when
// the player is unavailable, and reports what happened; the player test runs it with GStreamer
// set up to lack the player element.
#include "player/CMediaPlayer.h"
#include "shell/AppValues.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // The quit request also closes a modal window, so it needs the widget application.
    QApplication application(argc, argv);
    sonavia::CMediaPlayer player;
    const auto setup = player.Create();
    if (setup == sonavia::CMediaPlayer::Setup::Unavailable) {
        sonavia::app::PostQuit();
    }
    std::printf("%s %s\n",
                setup == sonavia::CMediaPlayer::Setup::Unavailable ? "unavailable" : "other",
                sonavia::app::quitRequested ? "quit-requested" : "no-quit");
    return sonavia::app::quitRequested ? 0 : 1;
}
