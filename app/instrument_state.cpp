// instrument_state.cpp - the shared instrument record and the change test.
#include "app/instrument_state.h"

InstrumentState instrumentState;
LastDrawnState lastDrawn;

bool copyIfChanged() {
    const InstrumentState& s = instrumentState;
    // Bit patterns at each field's width; signedness plays no part.
    bool changed = int32_t{loadField(s.connected)} != lastDrawn.connected ||
                   loadField(s.lights) != lastDrawn.lights ||
                   loadField(s.toFrom) != lastDrawn.toFrom ||
                   loadField(s.locNeedle) != lastDrawn.locNeedle ||
                   loadField(s.obsDegrees) != lastDrawn.obsDegrees ||
                   loadField(s.gsNeedle) != lastDrawn.gsNeedle ||
                   loadField(s.gsFlag) != lastDrawn.gsFlag;
    if (!changed) {
        return false;
    }
    // Read again: a value that moved since the comparison is drawn now rather
    // than one pass later.
    lastDrawn.connected = loadField(s.connected);
    lastDrawn.lights = loadField(s.lights);
    lastDrawn.toFrom = loadField(s.toFrom);
    lastDrawn.locNeedle = loadField(s.locNeedle);
    lastDrawn.obsDegrees = loadField(s.obsDegrees);
    lastDrawn.gsNeedle = loadField(s.gsNeedle);
    lastDrawn.gsFlag = loadField(s.gsFlag);
    return true;
}

void resetInstrumentState() {
    storeField(instrumentState.connected, 0);
    storeField(instrumentState.lights, 0);
    storeField(instrumentState.toFrom, 0);
    storeField(instrumentState.locNeedle, 0);
    storeField(instrumentState.obsDegrees, 0);
    storeField(instrumentState.gsNeedle, 0);
    storeField(instrumentState.gsFlag, 0);
    lastDrawn = LastDrawnState{};
}
