#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sonavia::test {

// A fresh folder that is removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// Switches the C library's numbers to a locale whose decimal separator is a comma, as a German
// desktop session does, and restores the previous locale when the object goes.
class CommaDecimalLocale {
public:
    CommaDecimalLocale();
    ~CommaDecimalLocale();
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // False when the machine has no such locale (scripts/install-deps.sh generates one).
    bool Active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

// Runs `action`; every modal dialog that opens meanwhile, the program's message dialog among
// them, is read (its first label) and closed with its "OK" button. Returns the texts, in order.
std::vector<QString> CatchMessages(const std::function<void()>& action);

// Fails the running test and leaves every modal loop when `seconds` pass before the object goes:
// a fault then fails the test instead of hanging it.
class Watchdog {
public:
    explicit Watchdog(int seconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace sonavia::test
