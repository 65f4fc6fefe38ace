#include "player/OpenPlan.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace sonavia {
namespace {

using namespace std::chrono_literals;
using Action = OpenPlan::Action;
using Verdict = OpenPlan::Verdict;

const OpenPlan::TimePoint kStart{};

std::vector<std::string> Addresses(const std::string& stem, int count, const std::string& end) {
    std::vector<std::string> addresses;
    for (int i = 1; i <= count; ++i) {
        addresses.push_back(stem + std::to_string(i) + end);
    }
    return addresses;
}

// An open of `address` as the player runs it: every read answers with what `playlists` lists
// for the address (none: not a playlist), and every stream fails before it plays. Returns the
// addresses read and played, in order, and how the open ended.
struct OpenRun {
    std::vector<std::string> read;
    std::vector<std::string> played;
    Action end = Action::Finish;
};

template <typename Playlists>
OpenRun OpenWhereNothingPlays(OpenPlan& plan, const std::string& address, Playlists playlists,
                              bool notMedia = false) {
    OpenRun run;
    plan.Accept(address, false);
    plan.Begin(false, kStart);
    for (OpenPlan::Step step = plan.Next(kStart);; step = plan.Next(kStart)) {
        if (step.action == Action::Read) {
            run.read.push_back(step.candidate.uri);
            const std::vector<std::string> entries = playlists(step.candidate.uri);
            plan.PlaylistRead(step.candidate, !entries.empty(), entries);
        } else if (step.action == Action::Play) {
            run.played.push_back(step.candidate.uri);
            plan.Started(kStart);
            plan.AttemptFailed(notMedia);
        } else {
            run.end = step.action;
            return run;
        }
    }
}

TEST(OpenPlan, PlaylistsAreFollowedTwoDeepWithinEightDownloadsAndEightStreams) {
    OpenPlan plan;
    // Eight playlists of eight playlists: the top one and seven of the second level are read,
    // the third level never.
    const OpenRun nested = OpenWhereNothingPlays(plan, "http://radio/top.pls", [](const auto& uri) {
        return uri == "http://radio/top.pls" ? Addresses("http://radio/n", 8, ".pls")
                                             : Addresses(uri + "/leaf", 8, ".pls");
    });
    ASSERT_EQ(nested.read.size(), 8u);
    EXPECT_EQ(nested.read[1], "http://radio/n1.pls");
    EXPECT_EQ(nested.read[7], "http://radio/n7.pls");
    EXPECT_TRUE(nested.played.empty());
    EXPECT_EQ(nested.end, Action::Fail);
    EXPECT_TRUE(plan.Address().empty());

    // Entries are tried in their order, before what followed the playlist, eight at most.
    const OpenRun streams =
        OpenWhereNothingPlays(plan, "http://radio/list.m3u", [](const auto& uri) {
            return uri == "http://radio/list.m3u" ? Addresses("http://radio/s", 10, "")
                                                  : std::vector<std::string>{};
        });
    EXPECT_EQ(streams.played, Addresses("http://radio/s", 8, ""));
    EXPECT_EQ(streams.end, Action::Fail);
}

TEST(OpenPlan, AReplyNoDecoderTakesIsReadOnceAsAPlaylist) {
    OpenPlan plan;
    const auto none = [](const auto&) { return std::vector<std::string>{}; };
    // A stream address whose reply is no audio: read once, found no playlist, not tried again.
    const OpenRun page = OpenWhereNothingPlays(plan, "http://radio/live", none, true);
    EXPECT_EQ(page.played, std::vector<std::string>{"http://radio/live"});
    EXPECT_EQ(page.read, std::vector<std::string>{"http://radio/live"});
    EXPECT_EQ(page.end, Action::Fail);

    // A playlist's name that is no playlist: its address plays itself, and is not read again.
    const OpenRun named = OpenWhereNothingPlays(plan, "http://radio/a.pls", none, true);
    EXPECT_EQ(named.read, std::vector<std::string>{"http://radio/a.pls"});
    EXPECT_EQ(named.played, std::vector<std::string>{"http://radio/a.pls"});

    // Without a playlist's name, a reply that turns out to be one leads to its entries.
    const OpenRun found = OpenWhereNothingPlays(
        plan, "http://radio/listen",
        [](const auto& uri) {
            return uri == "http://radio/listen" ? std::vector<std::string>{"http://radio/s1"}
                                                : std::vector<std::string>{};
        },
        true);
    EXPECT_EQ(found.played, (std::vector<std::string>{"http://radio/listen", "http://radio/s1"}));

    // A local file is never read as a playlist.
    const OpenRun file = OpenWhereNothingPlays(plan, "file:///music/a.ogg", none, true);
    EXPECT_TRUE(file.read.empty());
    EXPECT_EQ(file.played.size(), 1u);
}

TEST(OpenPlan, AttemptsAndOpensEndByTheirTimeLimits) {
    OpenPlan plan;
    plan.Accept("http://radio/one", false);
    plan.Begin(false, kStart);
    ASSERT_EQ(plan.Next(kStart).action, Action::Play);
    plan.Started(kStart);
    // Headers and then nothing: the attempt fails at its own bound.
    EXPECT_EQ(plan.Watch(kStart + OpenPlan::kFirstAudioTime - 1ms, 0, false), Verdict::None);
    EXPECT_EQ(plan.Watch(kStart + OpenPlan::kFirstAudioTime, 0, false), Verdict::AttemptFailed);

    // The open's bound ends an attempt started late in it, and nothing is tried after it.
    plan.Begin(false, kStart);
    ASSERT_EQ(plan.Next(kStart + 15s).action, Action::Play);
    plan.Started(kStart + 15s);
    EXPECT_EQ(plan.Watch(kStart + OpenPlan::kTimeLimit, 0, false), Verdict::TimedOut);
    EXPECT_EQ(plan.End(kStart + OpenPlan::kTimeLimit).action, Action::Fail);

    plan.Accept("http://radio/list.pls", false);
    plan.Begin(false, kStart);
    EXPECT_EQ(plan.Next(kStart + OpenPlan::kTimeLimit).action, Action::Fail);
}

TEST(OpenPlan, APlayingStreamThatGoesSilentDrops) {
    OpenPlan plan;
    plan.Accept("http://radio/one", false);
    plan.Begin(false, kStart);
    ASSERT_EQ(plan.Next(kStart).action, Action::Play);
    plan.Started(kStart);
    const std::uint64_t open = plan.Number();
    EXPECT_EQ(plan.Watch(kStart + 1s, 10, true), Verdict::Playing);
    // Results of the open that led here are out of date now.
    EXPECT_NE(plan.Number(), open);
    // Data keeps it alive however long; five seconds without any is a drop.
    EXPECT_EQ(plan.Watch(kStart + 5s, 20, true), Verdict::None);
    EXPECT_EQ(plan.Watch(kStart + 9s, 30, true), Verdict::None);
    EXPECT_EQ(plan.Watch(kStart + 9s + OpenPlan::kStallTime - 1ms, 30, true), Verdict::None);
    EXPECT_EQ(plan.Watch(kStart + 9s + OpenPlan::kStallTime, 30, true), Verdict::Stalled);
}

// Plays the accepted address at `now` and drops it `played` later.
void PlayAndDrop(OpenPlan& plan, OpenPlan::TimePoint now, bool reconnect,
                 std::chrono::milliseconds played = 0ms) {
    plan.Begin(reconnect, now);
    ASSERT_EQ(plan.Next(now).action, Action::Play);
    plan.Started(now);
    plan.MarkPlaying(now, 0);
    plan.Dropped(now + played);
}

// A server that plays `played` and then closes, at every reconnection: the delays the plan asks
// for, until it gives up or `drops` have happened. `now` ends at the last step.
std::vector<std::chrono::milliseconds> Flap(OpenPlan& plan, OpenPlan::TimePoint& now,
                                            std::chrono::milliseconds played, int drops,
                                            Action& end) {
    std::vector<std::chrono::milliseconds> delays;
    for (int drop = 0; drop < drops; ++drop) {
        PlayAndDrop(plan, now, drop > 0, played);
        now += played;
        const OpenPlan::Step step = plan.AfterDrop(now);
        end = step.action;
        if (step.action != Action::Reconnect) {
            break;
        }
        delays.push_back(step.delay);
        now += step.delay;
    }
    return delays;
}

TEST(OpenPlan, ADroppedStreamIsReopenedQuicklyThenWithBackOffUntilAStop) {
    OpenPlan plan;
    plan.Accept("http://radio/one", false);
    PlayAndDrop(plan, kStart, false);
    std::vector<std::chrono::milliseconds> delays;
    OpenPlan::Step step = plan.AfterDrop(kStart);
    for (auto now = kStart; step.action == Action::Reconnect && delays.size() < 400;) {
        delays.push_back(step.delay);
        now += step.delay;
        // Each reconnection's open fails: it is tried again, never reported as failed.
        plan.Begin(true, now);
        ASSERT_EQ(plan.Next(now).action, Action::Play);
        plan.Started(now);
        plan.AttemptFailed(false);
        step = plan.Next(now);
    }
    const auto fresh = std::count(delays.begin(), delays.end(), OpenPlan::kFreshReconnectDelay);
    const auto quick =
        fresh + std::count(delays.begin(), delays.end(), OpenPlan::kQuickReconnectDelay);
    EXPECT_EQ(fresh * OpenPlan::kFreshReconnectDelay, OpenPlan::kFreshDropPeriod);
    EXPECT_EQ((quick - fresh) * OpenPlan::kQuickReconnectDelay,
              OpenPlan::kQuickReconnectPeriod - OpenPlan::kFreshDropPeriod);
    const std::vector<std::chrono::milliseconds> backOff(delays.begin() + quick,
                                                         delays.begin() + quick + 5);
    EXPECT_EQ(backOff, (std::vector<std::chrono::milliseconds>{2s, 4s, 8s, 10s, 10s}));
    EXPECT_EQ(delays.back(), OpenPlan::kMaxReconnectDelay);

    // A reconnection that plays and drops again starts over quickly.
    const auto later = kStart + 10min;
    PlayAndDrop(plan, later, true);
    EXPECT_EQ(plan.AfterDrop(later).delay, OpenPlan::kFreshReconnectDelay);

    // A stop ends the reconnection; a local file that ends has played to its end.
    plan.Stop();
    EXPECT_EQ(plan.End(later).action, Action::Finish);
    plan.Accept("file:///music/a.ogg", true);
    PlayAndDrop(plan, later, false);
    EXPECT_EQ(plan.AfterDrop(later).action, Action::Finish);
    EXPECT_TRUE(plan.Address().empty());
}

TEST(OpenPlan, AStationThatKeepsDroppingBacksOffThenIsGivenUpUntilPlayedAgain) {
    OpenPlan plan;
    plan.Accept("http://radio/flaps", false);
    auto now = kStart;
    Action end = Action::Finish;
    // A brief play after each reconnection does not start the count over: five drops within a
    // minute back off, doubling up to its cap, and the tenth within five minutes gives up.
    EXPECT_EQ(Flap(plan, now, 400ms, 20, end),
              (std::vector<std::chrono::milliseconds>{100ms, 100ms, 100ms, 100ms, 2s, 4s, 8s, 16s,
                                                      OpenPlan::kMaxFlappingDelay}));
    EXPECT_EQ(end, Action::GiveUp);
    EXPECT_LT(now - kStart, OpenPlan::kGiveUpWindow);
    EXPECT_TRUE(plan.Address().empty());
    EXPECT_EQ(plan.End(now).action, Action::Finish);

    // Played again by the user: quick reconnections again.
    plan.Accept("http://radio/flaps", false);
    EXPECT_EQ(Flap(plan, now, 400ms, 1, end), std::vector<std::chrono::milliseconds>{100ms});

    // Nine quick drops, then a minute of steady play: the drops before are forgotten.
    plan.Accept("http://radio/flaps", false);
    Flap(plan, now, 400ms, 9, end);
    ASSERT_EQ(end, Action::Reconnect);
    PlayAndDrop(plan, now, true, OpenPlan::kSteadyPlayTime);
    now += OpenPlan::kSteadyPlayTime;
    EXPECT_EQ(plan.AfterDrop(now).delay, OpenPlan::kFreshReconnectDelay);

    // A drop every forty seconds is an unsteady station, not a broken one: always heard again
    // within the quick period, never given up.
    plan.Accept("http://radio/unsteady", false);
    const auto delays = Flap(plan, now, 40s, 30, end);
    EXPECT_EQ(end, Action::Reconnect);
    EXPECT_EQ(std::count(delays.begin(), delays.end(), OpenPlan::kFreshReconnectDelay), 30);
}

} // namespace
} // namespace sonavia
