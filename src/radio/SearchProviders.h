#pragma once

#include "radio/StationSearch.h"

#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sonavia {

class RadioCore;
class ShellSearchProvider;
class StationRunner;

// The desktop's own search finds the catalogue's stations: a GNOME Shell search provider and a
// KRunner runner, served by the running program on the session bus under org.sonavia.Plus (the
// installed search-provider file, runner file and bus activation file name them). Both answer
// from the catalogue in memory on the interface thread; a search that comes while the catalogue
// is on its way, as when the desktop's search started the program, is answered once it is in.
// A chosen station plays as a click in the station list plays it. Without a session bus nothing
// is offered and the program runs as before.
class SearchProviders : public QObject {
    Q_OBJECT
public:
    static constexpr char kServiceName[] = "org.sonavia.Plus";
    static constexpr char kShellSearchPath[] = "/org/sonavia/Plus/SearchProvider";
    static constexpr char kRunnerPath[] = "/org/sonavia/Plus/StationRunner";

    explicit SearchProviders(RadioCore& core);
    ~SearchProviders() override;

    bool Registered() const { return registered_; }

    // Whether the catalogue is in; until then the answers wait (Wait), and are sent once it is.
    bool Ready() const;
    void Wait(std::function<void()> answer);
    // The catalogue's index, made at the first search after each load.
    const StationSearch& Index();
    // Plays the station at `position` when the catalogue offers it.
    void Play(std::size_t position);

signals:
    // The search asked for the program itself: open the radio window, or bring it to the front.
    void RaiseRequested();

private:
    void CatalogueChanged();

    RadioCore& core_;
    std::optional<StationSearch> index_;
    std::vector<std::function<void()>> waiting_;
    std::unique_ptr<ShellSearchProvider> shell_;
    std::unique_ptr<StationRunner> runner_;
    bool registered_ = false;
};

// org.gnome.Shell.SearchProvider2: result identifiers are catalogue positions in decimal.
class ShellSearchProvider : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")
public:
    explicit ShellSearchProvider(SearchProviders& search) : search_(search) {}

public slots:
    QStringList GetInitialResultSet(const QStringList& terms);
    QStringList GetSubsearchResultSet(const QStringList& previousResults, const QStringList& terms);
    QList<QVariantMap> GetResultMetas(const QStringList& identifiers);
    void ActivateResult(const QString& identifier, const QStringList& terms, uint timestamp);
    void LaunchSearch(const QStringList& terms, uint timestamp);

private:
    SearchProviders& search_;
};

// One match of a KRunner runner: a(sssida{sv}).
struct RunnerMatch {
    QString id;
    QString text;
    QString iconName;
    int type = 0;
    double relevance = 0;
    QVariantMap properties;
};
// One action a runner offers on its matches: a(sss).
struct RunnerAction {
    QString id;
    QString text;
    QString iconName;
};

// org.kde.krunner1: match identifiers are catalogue positions in decimal.
class StationRunner : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")
public:
    explicit StationRunner(SearchProviders& search) : search_(search) {}

public slots:
    QList<RunnerMatch> Match(const QString& query);
    QList<RunnerAction> Actions();
    void Run(const QString& matchId, const QString& actionId);
    // KRunner ends each session with it; nothing is held between queries.
    void Teardown() {}

private:
    SearchProviders& search_;
};

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerMatch& match);
const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerMatch& match);
QDBusArgument& operator<<(QDBusArgument& argument, const RunnerAction& action);
const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerAction& action);

} // namespace sonavia

Q_DECLARE_METATYPE(sonavia::RunnerMatch)
Q_DECLARE_METATYPE(sonavia::RunnerAction)
