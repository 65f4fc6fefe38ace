#include "TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace sonavia::test {

namespace {

constexpr int kPollMs = 10;

} // namespace

TempDir::TempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    do {
        path_ = base / ("sonavia-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

CommaDecimalLocale::CommaDecimalLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) &&
            std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
            active_ = true;
            return;
        }
    }
    std::setlocale(LC_NUMERIC, previous_.c_str());
}

CommaDecimalLocale::~CommaDecimalLocale() {
    std::setlocale(LC_NUMERIC, previous_.c_str());
}

std::vector<QString> CatchMessages(const std::function<void()>& action) {
    std::vector<QString> texts;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, [&texts] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* message = qobject_cast<QDialog*>(widget);
            if (message == nullptr || !message->isVisible() || !message->isModal()) {
                continue;
            }
            const auto* text = message->findChild<QLabel*>();
            texts.push_back(text != nullptr ? text->text() : QString());
            QPushButton* ok = nullptr;
            for (QPushButton* button : message->findChildren<QPushButton*>()) {
                ok = button->text() == QStringLiteral("OK") ? button : ok;
            }
            if (ok != nullptr) {
                QTest::mouseClick(ok, Qt::LeftButton);
            } else {
                message->reject();
            }
        }
    });
    poll.start();
    action();
    poll.stop();
    return texts;
}

struct Watchdog::State {
    QTimer timer;
};

Watchdog::Watchdog(int seconds) : state_(std::make_unique<State>()) {
    state_->timer.setSingleShot(true);
    QObject::connect(&state_->timer, &QTimer::timeout, [] {
        ADD_FAILURE() << "watchdog: the test did not finish in time";
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
    state_->timer.start(seconds * 1000);
}

Watchdog::~Watchdog() = default;

} // namespace sonavia::test
