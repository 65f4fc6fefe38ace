#include "radio/SearchProviders.h"

#include "radio/AfterReply.h"
#include "radio/RadioCore.h"
#include "radio/RadioLog.h"
#include "rules/Product.h"

#include <QDBusConnection>
#include <QDBusMetaType>

namespace sonavia {

namespace {

// KRunner lists this many at most: a country's name can match hundreds of stations.
constexpr qsizetype kMostRunnerMatches = 50;
// KRunner's kinds of match: a station named exactly as typed, and the others, which rank below
// the desktop's own results. KRunner 5 takes 20 for a possible match (30 would be an
// informational one, which it does not run); KRunner 6 ranks both by their number.
constexpr int kRunnerExactMatch = 100;
constexpr int kRunnerPossibleMatch = 20;
// The relevance of the runner's first match; the last falls by this share of it.
constexpr double kBestRelevance = 1.0;
constexpr double kRelevanceFall = 0.5;
// The keys of a result's description for GNOME Shell and for KRunner.
constexpr char kShellName[] = "name";
constexpr char kShellDescription[] = "description";
constexpr char kShellIcon[] = "gicon";
constexpr char kShellId[] = "id";
constexpr char kRunnerSubtext[] = "subtext";

QString IdentifierOf(std::size_t position) {
    return QString::number(position);
}

std::optional<std::size_t> PositionOf(const QString& identifier) {
    bool ok = false;
    const qulonglong position = identifier.toULongLong(&ok);
    return ok ? std::optional<std::size_t>(position) : std::nullopt;
}

QStringList IdentifiersOf(const std::vector<std::size_t>& positions) {
    QStringList identifiers;
    identifiers.reserve(static_cast<qsizetype>(positions.size()));
    for (const std::size_t position : positions) {
        identifiers.append(IdentifierOf(position));
    }
    return identifiers;
}

// Answers the call being served with `answer()`: at once when the catalogue is in, else once it
// is, the value returned now being dropped.
template <typename Result>
Result Answer(SearchProviders& search, QDBusContext& context, std::function<Result()> answer) {
    if (search.Ready()) {
        return answer();
    }
    context.setDelayedReply(true);
    search.Wait([message = context.message(), connection = context.connection(), answer] {
        connection.send(message.createReply(QVariant::fromValue(answer())));
    });
    return {};
}

} // namespace

SearchProviders::SearchProviders(RadioCore& core)
    : core_(core), shell_(std::make_unique<ShellSearchProvider>(*this)),
      runner_(std::make_unique<StationRunner>(*this)) {
    qDBusRegisterMetaType<QList<QVariantMap>>();
    qDBusRegisterMetaType<RunnerMatch>();
    qDBusRegisterMetaType<QList<RunnerMatch>>();
    qDBusRegisterMetaType<RunnerAction>();
    qDBusRegisterMetaType<QList<RunnerAction>>();
    connect(&core_, &RadioCore::CatalogueChanged, this, &SearchProviders::CatalogueChanged);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    registered_ = bus.registerObject(QString::fromLatin1(kShellSearchPath), shell_.get(),
                                     QDBusConnection::ExportAllSlots) &&
                  bus.registerObject(QString::fromLatin1(kRunnerPath), runner_.get(),
                                     QDBusConnection::ExportAllSlots) &&
                  bus.registerService(QString::fromLatin1(kServiceName));
    if (!registered_) {
        qCWarning(lcRadio) << "the desktop's search cannot reach the stations:"
                           << bus.lastError().message();
        bus.unregisterObject(QString::fromLatin1(kShellSearchPath));
        bus.unregisterObject(QString::fromLatin1(kRunnerPath));
    }
}

SearchProviders::~SearchProviders() {
    // Searches still waiting get what the catalogue holds now, rather than no answer.
    CatalogueChanged();
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QString::fromLatin1(kServiceName));
        bus.unregisterObject(QString::fromLatin1(kShellSearchPath));
        bus.unregisterObject(QString::fromLatin1(kRunnerPath));
    }
}

bool SearchProviders::Ready() const {
    return core_.CatalogueReady();
}

void SearchProviders::Wait(std::function<void()> answer) {
    waiting_.push_back(std::move(answer));
}

void SearchProviders::CatalogueChanged() {
    index_.reset();
    for (const auto& answer : std::exchange(waiting_, {})) {
        answer();
    }
}

const StationSearch& SearchProviders::Index() {
    if (!index_) {
        index_.emplace(core_.Catalogue());
    }
    return *index_;
}

void SearchProviders::Play(std::size_t position) {
    // Read from the core's catalogue itself: the program's end frees it before the index goes.
    const RadioCatalogue& catalogue = core_.Catalogue();
    if (!Ready() || position >= catalogue.records.size() || !catalogue.records[position].present) {
        return;
    }
    const std::string& name = catalogue.records[position].name;
    qCInfo(lcRadio).noquote() << "the desktop's search chose" << Index().Name(position);
    core_.ChooseFoundStation(name);
}

QStringList ShellSearchProvider::GetInitialResultSet(const QStringList& terms) {
    return Answer<QStringList>(
        search_, *this, [this, terms] { return IdentifiersOf(search_.Index().Find(terms)); });
}

QStringList ShellSearchProvider::GetSubsearchResultSet(const QStringList& previousResults,
                                                       const QStringList& terms) {
    return Answer<QStringList>(search_, *this, [this, previousResults, terms] {
        std::vector<std::size_t> previous;
        for (const QString& identifier : previousResults) {
            if (const auto position = PositionOf(identifier)) {
                previous.push_back(*position);
            }
        }
        return IdentifiersOf(search_.Index().Refine(previous, terms));
    });
}

QList<QVariantMap> ShellSearchProvider::GetResultMetas(const QStringList& identifiers) {
    return Answer<QList<QVariantMap>>(search_, *this, [this, identifiers] {
        const StationSearch& index = search_.Index();
        QList<QVariantMap> metas;
        for (const QString& identifier : identifiers) {
            const auto position = PositionOf(identifier);
            if (position && index.Offered(*position)) {
                metas.append(
                    {{QString::fromLatin1(kShellId), identifier},
                     {QString::fromLatin1(kShellName), index.Name(*position)},
                     {QString::fromLatin1(kShellDescription), index.Country(*position)},
                     {QString::fromLatin1(kShellIcon), QString::fromLatin1(kApplicationId)}});
            }
        }
        return metas;
    });
}

void ShellSearchProvider::ActivateResult(const QString& identifier, const QStringList&, uint) {
    if (const auto position = PositionOf(identifier)) {
        search_.Play(*position);
    }
}

void ShellSearchProvider::LaunchSearch(const QStringList&, uint) {
    AfterReply(this, [this] { emit search_.RaiseRequested(); });
}

QList<RunnerMatch> StationRunner::Match(const QString& query) {
    return Answer<QList<RunnerMatch>>(search_, *this, [this, query] {
        const StationSearch& index = search_.Index();
        const std::vector<std::size_t> found =
            index.Find(query.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        const auto count = std::min(static_cast<qsizetype>(found.size()), kMostRunnerMatches);
        QList<RunnerMatch> matches;
        for (qsizetype i = 0; i < count; ++i) {
            const std::size_t position = found[static_cast<std::size_t>(i)];
            const QString& name = index.Name(position);
            const bool exact = name.compare(query.trimmed(), Qt::CaseInsensitive) == 0;
            matches.append({IdentifierOf(position),
                            name,
                            QString::fromLatin1(kApplicationId),
                            exact ? kRunnerExactMatch : kRunnerPossibleMatch,
                            kBestRelevance * (1.0 - kRelevanceFall * static_cast<double>(i) /
                                                        static_cast<double>(count)),
                            {{QString::fromLatin1(kRunnerSubtext), index.Country(position)}}});
        }
        return matches;
    });
}

QList<RunnerAction> StationRunner::Actions() {
    return {};
}

void StationRunner::Run(const QString& matchId, const QString&) {
    if (const auto position = PositionOf(matchId)) {
        search_.Play(*position);
    }
}

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerMatch& match) {
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance
             << match.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerMatch& match) {
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance >>
        match.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerAction& action) {
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerAction& action) {
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

} // namespace sonavia
