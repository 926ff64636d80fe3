// client_block_fuzz.cpp - libFuzzer target for SimIpcClient against a server
// that scribbles on the shared block after serving it.
//
// The input chooses a batch of reads and writes (sizes up to the block's
// bound, some beyond it) and a list of patches that the in-process fake
// server applies to the block once it has served it; optionally the
// handshake is scribbled on too, and a second batch follows the first. The
// reads go to slots of one guarded arena filled with a pattern.
//
// Aborts unless, after each process(): every byte between the slots still
// holds the pattern; the reads whose records the server left intact, up to
// the first one it changed, hold exactly the data the block carried for them;
// and every read from that first changed record on is untouched. The fake's
// blocks are allocations of exactly the block's size, so AddressSanitizer
// stops any walk past the block.
//
// Input layout: flags byte, count byte, then per record a kind/size byte
// (and two more bytes for a large size), then patches of (offset hi, offset
// lo, length, bytes...) until the input ends.
#include "simlink/sim_ipc_client.h"
#include "tests/simlink/client/fake_sim_ipc_platform.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

namespace C = SimIpcClient;

constexpr uint8_t Pattern = 0xA5;
constexpr uint32_t Guard = 8;
constexpr uint32_t ReadHeader = 16;

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

uint32_t get32(const uint8_t* at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;
    uint8_t next() { return at < size ? data[at++] : 0; }
    bool done() const { return at >= size; }
};

struct Patch {
    uint32_t offset;
    std::vector<uint8_t> bytes;
};

struct Slot {
    uint32_t recordIndex; // in C::state.queued
    uint32_t arenaOffset;
    uint32_t size;
};

std::vector<Patch> patches;
std::vector<uint8_t> served; // the block as the client will find it

void scribble(uint8_t* block, uint32_t size) {
    for (const Patch& p : patches) {
        for (size_t i = 0; i < p.bytes.size() && p.offset + i < size; ++i) {
            block[p.offset + i] = p.bytes[i];
        }
    }
    served.assign(block, block + size);
}

void setScript(bool scribbleNow, uint32_t reply) {
    std::lock_guard<std::mutex> hold(fakeLock());
    FakeServer& s = fakeServer();
    s.afterServe = scribbleNow ? scribble : nullptr;
    s.replyValue = reply;
}

// One batch from the input: queue, serve with the patches, check.
void runBatch(Input* in, uint32_t reply) {
    uint32_t result = 0;
    const uint32_t count = 1 + in->next() % 24;
    std::vector<Slot> slots;
    uint32_t arenaSize = Guard;
    std::vector<uint8_t> writeSource(C::QueueLimit, 0x5A);
    struct Planned {
        bool write;
        uint32_t size;
        uint32_t offset;
    };
    std::vector<Planned> plan;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t kind = in->next();
        uint32_t size = 1 + (kind & 0x3F);
        if ((kind & 0x40) != 0) {
            size = (uint32_t{in->next()} << 8 | in->next()) % (C::QueueLimit + 64);
        }
        plan.push_back({(kind & 0x80) != 0, size, 0x0C40u + i * 4});
        if (!plan.back().write) {
            arenaSize += size + Guard;
        }
    }
    std::vector<uint8_t> arena(arenaSize, Pattern);
    uint32_t place = Guard;
    for (const Planned& p : plan) {
        const uint32_t before = C::state.queuedCount;
        if (p.write) {
            C::write(p.offset, p.size, writeSource.data(), &result);
            continue;
        }
        if (C::read(p.offset, p.size, arena.data() + place, &result)) {
            check(C::state.queuedCount == before + 1);
            slots.push_back({before, place, p.size});
        }
        place += p.size + Guard;
    }
    const uint32_t queued = C::state.queuedCount;
    std::vector<C::QueuedRecord> notes(C::state.queued, C::state.queued + queued);

    while (!in->done()) {
        Patch patch;
        patch.offset = (uint32_t{in->next()} << 8 | in->next()) % C::BlockSize;
        uint32_t length = 1 + in->next() % 32;
        for (uint32_t i = 0; i < length && !in->done(); ++i) {
            patch.bytes.push_back(in->next());
        }
        patches.push_back(patch);
        if (in->next() == 0xFF) {
            break; // the rest is the next batch
        }
    }
    setScript(true, reply);
    served.clear();
    const bool ok = C::process(&result);
    setScript(false, 1);
    if (!ok) {
        // Refused or not sent: nothing may have been copied anywhere.
        for (uint8_t b : arena) {
            check(b == Pattern);
        }
        return;
    }

    // The first record whose command or size the server changed ends the
    // copies; everything before it was copied, nothing from it on.
    check(served.size() == C::BlockSize);
    uint32_t firstChanged = queued;
    for (uint32_t i = 0; i < queued; ++i) {
        const uint8_t* at = served.data() + notes[i].place;
        if (get32(at) != notes[i].command || get32(at + 8) != notes[i].size) {
            firstChanged = i;
            break;
        }
    }
    uint32_t guardFrom = 0;
    for (const Slot& s : slots) {
        for (uint32_t i = guardFrom; i < s.arenaOffset; ++i) {
            check(arena[i] == Pattern);
        }
        const uint8_t* dst = arena.data() + s.arenaOffset;
        if (s.recordIndex < firstChanged) {
            check(std::memcmp(dst, served.data() + notes[s.recordIndex].place + ReadHeader,
                              s.size) == 0);
        } else {
            for (uint32_t i = 0; i < s.size; ++i) {
                check(dst[i] == Pattern);
            }
        }
        guardFrom = s.arenaOffset + s.size;
    }
    for (uint32_t i = guardFrom; i < arena.size(); ++i) {
        check(arena[i] == Pattern);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size, 0};
    patches.clear();
    C::close();
    fakeReset();
    {
        std::lock_guard<std::mutex> hold(fakeLock());
        fakeServer().keepHistory = false;
    }
    const uint8_t flags = in.next();
    const uint32_t replies[4] = {1, 1, 0, 2};
    const uint32_t reply = replies[(flags >> 1) & 3];
    uint32_t result = 0;

    if ((flags & 1) != 0) {
        // The handshake's block scribbled on as well: open may fail, never
        // crash.
        Input head{data, size < 16 ? size : 16, 0};
        while (!head.done()) {
            Patch p;
            p.offset = (uint32_t{head.next()} << 8 | head.next()) % 64;
            p.bytes.push_back(head.next());
            patches.push_back(p);
        }
        setScript(true, 1);
    }
    const bool opened = C::open(0, &result);
    setScript(false, 1);
    patches.clear();
    if (!opened) {
        check(C::state.block == nullptr);
        return 0;
    }
    runBatch(&in, reply);
    if ((flags & 8) != 0 && C::state.block != nullptr) {
        patches.clear();
        runBatch(&in, 1);
    }
    C::close();
    return 0;
}
