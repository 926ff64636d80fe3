// instrument_state.h - the record shared by the simulator link and the gauge.
//
// InstrumentState holds the link flag and six simulator values. The link
// threads store into it (under linkMutex); the main thread only loads from it,
// without the lock. Every field is a std::atomic of its own width, accessed
// with relaxed order: a 16-bit value is never seen half old, half new, and no
// other ordering between fields is promised or needed.
//
// lastDrawn is the main loop's private copy as of the last frame it ordered;
// copyIfChanged() is the once-per-pass change test.
#pragma once

#include <atomic>
#include <cstdint>

struct InstrumentState {
    std::atomic<int8_t> connected;    // 0 or 1
    std::atomic<uint16_t> lights;     // offset 0x0D0C, bit 0x20 = panel lights
    std::atomic<int8_t> toFrom;       // offset 0x0C4B: 0 none, 1 TO, 2 FROM
    std::atomic<int8_t> locNeedle;    // offset 0x0C48, -127..127
    std::atomic<uint16_t> obsDegrees; // offset 0x0C4E
    std::atomic<int8_t> gsNeedle;     // offset 0x0C49, -127..127
    std::atomic<uint16_t> gsFlag;     // offset 0x0C4C in the low byte; high byte stays 0
};

struct LastDrawnState {
    int32_t connected; // connected widened with its sign
    uint16_t lights;
    int8_t toFrom;
    int8_t locNeedle;
    uint16_t obsDegrees;
    int8_t gsNeedle;
    uint16_t gsFlag;
};

// One indivisible access of each field's own width, without a lock.
static_assert(std::atomic<int8_t>::is_always_lock_free);
static_assert(std::atomic<uint16_t>::is_always_lock_free);
static_assert(sizeof(std::atomic<uint16_t>) == 2 && sizeof(std::atomic<int8_t>) == 1);

extern InstrumentState instrumentState;
extern LastDrawnState lastDrawn;

// Relaxed single-field accessors, so that call sites read as plain loads.
inline int8_t loadField(const std::atomic<int8_t>& f) { return f.load(std::memory_order_relaxed); }
inline uint16_t loadField(const std::atomic<uint16_t>& f) {
    return f.load(std::memory_order_relaxed);
}
inline void storeField(std::atomic<int8_t>& f, int8_t v) { f.store(v, std::memory_order_relaxed); }
inline void storeField(std::atomic<uint16_t>& f, uint16_t v) {
    f.store(v, std::memory_order_relaxed);
}

// The change test: compares the live fields with lastDrawn in the fixed order,
// stopping at the first difference. On a difference it reads every field again
// into lastDrawn and returns true; the caller then draws a frame.
bool copyIfChanged();

// Zeroes both records (start-up state; also used by tests).
void resetInstrumentState();
