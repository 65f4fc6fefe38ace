#include "rules/ActivityIndicator.h"
#include "rules/FadeIn.h"
#include "rules/LevelMeter.h"
#include "rules/PlayTime.h"
#include "rules/RandomRules.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <vector>

namespace sonavia {
namespace {

// A catalogue of `count` filled records, offering those at `offered`.
RadioCatalogue Offering(int count, std::initializer_list<int> offered) {
    RadioCatalogue catalogue;
    catalogue.count = count;
    catalogue.filled = count;
    catalogue.records.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        catalogue.records[static_cast<std::size_t>(i)].index = i;
    }
    for (int i : offered) {
        catalogue.records[static_cast<std::size_t>(i)].present = true;
    }
    return catalogue;
}

constexpr std::optional<std::size_t> kNone;

TEST(RandomPick, NoOfferedStationGivesNoneAndNothingPastTheRecordsIsPicked) {
    const ClockReading now{1'700'000'000, 10, 20};
    for (auto pick : {PickStartupStation, PickWindowStation}) {
        EXPECT_EQ(pick(RadioCatalogue{}, now, kNone), kNone);
        EXPECT_EQ(pick(Offering(5, {}), now, kNone), kNone);

        // The header promised more records than the text held: the missing ones are never
        // offered, and only the filled records are looked at.
        RadioCatalogue shortText = Offering(2, {1});
        shortText.count = 2000;
        EXPECT_EQ(pick(shortText, now, kNone), 1u);
        shortText.records[1].present = false;
        EXPECT_EQ(pick(shortText, now, kNone), kNone);

        // A record past the filled ones is not offered, even when flagged.
        RadioCatalogue partly = Offering(2000, {1263});
        partly.filled = 2;
        EXPECT_EQ(pick(partly, now, kNone), kNone);
    }
}

TEST(RandomPick, StartupRuleLooksAtLaterSecondsThenFallsBackToTheFirstOffered) {
    // (((10 + 20) XOR 3) + 1234) mod 2000 = 1263; a second later (31 XOR 3) gives 1262. The rule
    // only ever reaches 1234..1353 of these 2000 positions.
    const ClockReading now{1'700'000'000, 10, 20};
    EXPECT_EQ(StartupRulePosition(now, 2000), 1263);
    EXPECT_EQ(PickStartupStation(Offering(2000, {7, 1263}), now), 1263u);
    EXPECT_EQ(PickStartupStation(Offering(2000, {7, 1262}), now), 1262u);
    EXPECT_EQ(PickStartupStation(Offering(2000, {7, 1500}), now), 7u);
    EXPECT_EQ(StartupRulePosition(now, 0), -1);

    const ClockReading endOfHour{99, 59, 59};
    const ClockReading next = AdvanceClock(endOfHour, 1);
    EXPECT_EQ(next.calendar, 100);
    EXPECT_EQ(next.seconds, 0);
    EXPECT_EQ(next.minutes, 0);
}

TEST(RandomPick, WindowRuleIsFixedWithinACalendarSecondAndMissesLookAhead) {
    const RadioCatalogue many = Offering(50, {3, 9, 17, 21, 33, 48});
    const ClockReading now{1'700'000'123, 41, 7};
    const auto first = PickWindowStation(many, now);
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(many.records[*first].present);
    EXPECT_EQ(PickWindowStation(many, now), first);

    // Second 0 of a minute always gives position 0.
    EXPECT_EQ(WindowRulePosition({1'700'000'040, 0, 3}, 50), 0);
    for (std::int64_t calendar : {std::int64_t{-7}, std::int64_t{0}, std::int64_t{1} << 40}) {
        const int position = WindowRulePosition({calendar, 59, 59}, 1000);
        EXPECT_GE(position, 0);
        EXPECT_LT(position, 1000);
    }

    // A rule's miss does not fall back to the first offered station while a later second would
    // hit one, so the picks are not skewed towards it.
    const RadioCatalogue two = Offering(7, {1, 4});
    for (auto pick : {PickStartupStation, PickWindowStation}) {
        int fourth = 0;
        for (int later = 0; later < 700; ++later) {
            fourth += pick(two, AdvanceClock(now, later), kNone) == 4u ? 1 : 0;
        }
        EXPECT_GT(fourth, 200); // about 100 if every miss fell back
    }
}

TEST(RandomPick, ThePlayingStationIsPassedOverWhileAnotherIsOffered) {
    const ClockReading now{1'700'000'000, 10, 20};
    // The start-up rule lands on 1263 now; playing it, the next second's 1262 is taken.
    const RadioCatalogue both = Offering(2000, {1262, 1263});
    EXPECT_EQ(PickStartupStation(both, now, 1263u), 1262u);
    EXPECT_EQ(PickStartupStation(Offering(2000, {7, 1263}), now, 1263u), 7u);
    EXPECT_EQ(PickStartupStation(Offering(2000, {1263}), now, 1263u), 1263u)
        << "the only offered station plays again";
    const RadioCatalogue six = Offering(6, {0, 1, 2, 3, 4, 5});
    for (int later = 0; later < 120; ++later) {
        const ClockReading at = AdvanceClock(now, later);
        const auto playing = PickWindowStation(six, at, kNone);
        ASSERT_TRUE(playing.has_value());
        const auto next = PickWindowStation(six, at, playing);
        ASSERT_TRUE(next.has_value());
        EXPECT_NE(*next, *playing);
    }
}

TEST(LevelMeter, LevelsAreSymmetricAndNeverOverflow) {
    EXPECT_EQ(LevelsFor(1000, 7, 3), (MeterLevels{34, 33, 16, 39, 26, 39, 16, 33, 34}));
    // The largest generator value at 59:59 needs more than 48 bits unreduced.
    EXPECT_EQ(LevelsFor(2147483646u, 59, 59), (MeterLevels{10, 10, 31, 19, 23, 19, 31, 10, 10}));
    EXPECT_EQ(LevelsFor(123456, 0, 0), MeterLevels{});

    EXPECT_EQ(MeterRowRect(0, 0), (PaintRect{473, 139, 10, 2}));
    EXPECT_EQ(MeterRowRect(8, 42), (PaintRect{561, 97, 10, 2}));
    for (int bar = 0; bar < kMeterBars; ++bar) {
        const PaintRect idle = MeterIdleRect(bar);
        EXPECT_EQ(idle, (PaintRect{473 + 11 * bar, 97, 10, 44}));
        // The idle rectangle covers exactly the bar's rows.
        EXPECT_EQ(idle.top, MeterRowRect(bar, kMeterRows - 1).top);
        EXPECT_EQ(idle.Bottom(), MeterRowRect(bar, 0).Bottom());
    }

    EXPECT_FALSE(MeterIsIdle(true, false, 50, 12));
    EXPECT_TRUE(MeterIsIdle(false, false, 50, 12));
    EXPECT_TRUE(MeterIsIdle(true, true, 50, 12));
    EXPECT_TRUE(MeterIsIdle(true, false, 0, 12));
    EXPECT_TRUE(MeterIsIdle(true, false, 50, 0));
}

TEST(LevelMeter, LitRowsRunFromGreenThroughYellowToRedAndTheRestAreGrey) {
    const MeterBarColours full = BarColours(kMeterRows);
    EXPECT_EQ(full[0], (PaintRgb{0, 254, 0}));
    EXPECT_EQ(full[1], (PaintRgb{12, 254, 0}));
    EXPECT_EQ(full[21], (PaintRgb{252, 254, 0}));
    EXPECT_EQ(full[22], (PaintRgb{254, 254, 0}));
    EXPECT_EQ(full[23], (PaintRgb{254, 242, 0}));
    EXPECT_EQ(full[42], (PaintRgb{254, 14, 0}));

    // Grey rows sit above the level, and the ramp does not depend on where the level is.
    for (int level : {0, 1, 10, 25, 42}) {
        const MeterBarColours bar = BarColours(level);
        for (int i = 0; i < kMeterRows; ++i) {
            const auto row = static_cast<std::size_t>(i);
            EXPECT_EQ(bar[row], i < level ? full[row] : kMeterGrey) << level << " " << i;
        }
    }
}

TEST(ActivityIndicator, BarGrowsToFillTheBoxThenTheBoxClears) {
    ActivityIndicator indicator; // a fresh indicator starts growing
    const auto grows = [&](int top) {
        const PaintFill fill = StepActivity(indicator);
        EXPECT_EQ(fill.colour, kActivityBar);
        EXPECT_EQ(fill.rect, (PaintRect{425, top, 45, 141 - top})) << top;
    };
    const auto clears = [&] {
        EXPECT_EQ(StepActivity(indicator), (PaintFill{kActivityBox, kActivityClear}));
    };

    for (int top = 131; top >= 97; top -= 2) {
        grows(top);
    }
    clears();
    // After a clear the step has already grown once.
    for (int top = 129; top >= 97; top -= 2) {
        grows(top);
    }
    clears();
    grows(129);

    ResetActivity(indicator);
    clears();
    grows(129);
}

TEST(FadeIn, RisesStepByStepAfterBufferingAndLaterOpeningsSetTheVolumeAtOnce) {
    FadeIn fade;
    StartFade(fade, 3);
    EXPECT_FALSE(StepFade(fade, false).volume.has_value()); // buffering has not finished

    std::vector<int> volumes;
    FadeTick tick;
    do {
        tick = StepFade(fade, true);
        ASSERT_TRUE(tick.volume.has_value());
        volumes.push_back(*tick.volume);
        EXPECT_EQ(tick.slider, tick.ended ? std::nullopt : tick.volume);
    } while (!tick.ended && volumes.size() < 10);
    EXPECT_EQ(volumes, (std::vector<int>{0, 1, 2, 3, 3}));
    EXPECT_FALSE(StepFade(fade, true).volume.has_value());

    StartFade(fade, 2); // a second opening with a lower volume
    tick = StepFade(fade, true);
    EXPECT_EQ(tick.volume, 2);
    EXPECT_FALSE(tick.slider.has_value());
    EXPECT_TRUE(tick.ended);

    FadeIn loud;
    StartFade(loud, 250); // never above 100
    int last = -1;
    for (int i = 0; i <= 100; ++i) {
        tick = StepFade(loud, true);
        last = tick.volume.value_or(-1);
    }
    EXPECT_EQ(last, 100);
    EXPECT_TRUE(tick.ended);
    StartFade(loud, 100);
    EXPECT_EQ(StepFade(loud, true).volume, 100);
    EXPECT_FALSE(loud.active);
}

TEST(PlayTime, ListTexts) {
    const auto hours = StartHourTexts();
    ASSERT_EQ(hours.size(), 24u);
    EXPECT_EQ(hours.front(), "00:00");
    EXPECT_EQ(hours[9], "09:00");
    EXPECT_EQ(hours.back(), "23:00");
    const auto lengths = PlayHoursTexts();
    ASSERT_EQ(lengths.size(), 24u);
    EXPECT_EQ(lengths[0], "01 hour");
    EXPECT_EQ(lengths[1], "02 hours");
    EXPECT_EQ(lengths.back(), "24 hours");
}

} // namespace
} // namespace sonavia
