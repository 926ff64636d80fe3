// The change test: order, widths, the re-read copy, and what counts as a change.
#include "app/instrument_state.h"

#include <gtest/gtest.h>

namespace {

struct StateTest : ::testing::Test {
    void SetUp() override { resetInstrumentState(); }
};

TEST_F(StateTest, AllZeroIsNoChange) {
    EXPECT_FALSE(copyIfChanged());
    EXPECT_FALSE(copyIfChanged());
}

TEST_F(StateTest, EachFieldAloneIsAChangeAndIsCopied) {
    struct Case {
        const char* name;
        void (*set)();
        bool (*copied)();
    } cases[] = {
        {"connected", [] { storeField(instrumentState.connected, 1); },
         [] { return lastDrawn.connected == 1; }},
        {"lights bit 0", [] { storeField(instrumentState.lights, 0x0001); },
         [] { return lastDrawn.lights == 0x0001; }},
        {"toFrom 3", [] { storeField(instrumentState.toFrom, 3); },
         [] { return lastDrawn.toFrom == 3; }},
        {"locNeedle -128", [] { storeField(instrumentState.locNeedle, -128); },
         [] { return lastDrawn.locNeedle == -128; }},
        {"obsDegrees 0x0100", [] { storeField(instrumentState.obsDegrees, 0x0100); },
         [] { return lastDrawn.obsDegrees == 0x0100; }},
        {"gsNeedle 127", [] { storeField(instrumentState.gsNeedle, 127); },
         [] { return lastDrawn.gsNeedle == 127; }},
        {"gsFlag 2", [] { storeField(instrumentState.gsFlag, 2); },
         [] { return lastDrawn.gsFlag == 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetInstrumentState();
        c.set();
        EXPECT_TRUE(copyIfChanged());
        EXPECT_TRUE(c.copied());
        EXPECT_FALSE(copyIfChanged()) << "a second pass sees no change";
    }
}

TEST_F(StateTest, ChangeAndChangeBackBetweenPassesIsNoChange) {
    storeField(instrumentState.obsDegrees, 90);
    storeField(instrumentState.obsDegrees, 0);
    EXPECT_FALSE(copyIfChanged());
}

TEST_F(StateTest, CopyTakesEveryFieldNotOnlyTheFirstDifferent) {
    storeField(instrumentState.connected, 1);
    storeField(instrumentState.locNeedle, 64);
    storeField(instrumentState.gsFlag, 1);
    ASSERT_TRUE(copyIfChanged());
    EXPECT_EQ(lastDrawn.connected, 1);
    EXPECT_EQ(lastDrawn.locNeedle, 64);
    EXPECT_EQ(lastDrawn.gsFlag, 1);
}

} // namespace
