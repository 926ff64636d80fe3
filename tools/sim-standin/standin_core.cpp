// standin_core.cpp - options, offset table, value modes and batch serving of
// sim-standin (see standin.h).
#include "tools/sim-standin/standin.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t BlockCommandEnd = 0;
constexpr uint32_t BlockCommandRead = 1;
constexpr uint32_t BlockCommandWrite = 2;

struct NamedOffset {
    const char* name;
    uint32_t offset;
    uint32_t size;
    bool isSigned;
};

// The six offsets the gauge polls, by the names the options use.
constexpr NamedOffset namedOffsets[] = {
    {"tofrom", 0x0C4B, 1, false}, {"loc", 0x0C48, 1, true}, {"obs", 0x0C4E, 2, false},
    {"gsflag", 0x0C4C, 1, false}, {"gs", 0x0C49, 1, true},  {"lights", 0x0D0C, 2, false},
};

uint32_t load32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void store32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void storeValue(StandinState* state, const StandinValue& v) {
    for (uint32_t i = 0; i < v.size; ++i) {
        uint64_t at = static_cast<uint64_t>(v.offset) + i;
        if (at < StandinTableSize) {
            state->values[at] = static_cast<uint8_t>(static_cast<uint64_t>(v.value) >> (8 * i));
        }
    }
}

bool parseNumber(const char* text, int64_t* out) {
    if (!text || !*text) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text, &end, 0);
    if (errno != 0 || *end != '\0') {
        return false;
    }
    *out = v;
    return true;
}

bool parseUnsigned32(const char* text, uint32_t* out) {
    int64_t v;
    if (!parseNumber(text, &v) || v < 0 || v > 0xFFFFFFFFll) {
        return false;
    }
    *out = static_cast<uint32_t>(v);
    return true;
}

// "name=value" or "0xOFFSET:SIZE=value", value in range for its size.
bool parseAssignment(const char* text, StandinValue* out) {
    const char* eq = std::strchr(text, '=');
    if (!eq || eq == text) {
        return false;
    }
    char key[64];
    size_t keyLength = static_cast<size_t>(eq - text);
    if (keyLength >= sizeof key) {
        return false;
    }
    std::memcpy(key, text, keyLength);
    key[keyLength] = '\0';
    StandinValue v{0, 0, 0};
    // Named offsets hold their own range; a raw one takes a signed or an
    // unsigned value of its width.
    bool named = false, isSigned = false;
    for (const NamedOffset& n : namedOffsets) {
        if (std::strcmp(key, n.name) == 0) {
            v.offset = n.offset;
            v.size = n.size;
            named = true;
            isSigned = n.isSigned;
        }
    }
    if (v.size == 0) {
        char* colon = std::strchr(key, ':');
        if (!colon) {
            return false;
        }
        *colon = '\0';
        uint32_t offset, size;
        if (!parseUnsigned32(key, &offset) || !parseUnsigned32(colon + 1, &size) ||
            offset >= StandinTableSize || (size != 1 && size != 2 && size != 4 && size != 8) ||
            offset + size > StandinTableSize) {
            return false;
        }
        v.offset = offset;
        v.size = size;
    }
    if (!parseNumber(eq + 1, &v.value)) {
        return false;
    }
    if (v.size < 8) {
        int64_t half = int64_t{1} << (8 * v.size - 1);
        int64_t low = named && !isSigned ? 0 : -half;
        int64_t high = named && isSigned ? half - 1 : 2 * half - 1;
        if (v.value < low || v.value > high) {
            return false;
        }
    }
    *out = v;
    return true;
}

double smooth(double from, double to, double t, double t0, double t1) {
    double x = (t - t0) / (t1 - t0);
    x = x < 0 ? 0 : (x > 1 ? 1 : x);
    return from + (to - from) * (1 - std::cos(3.14159265358979 * x)) / 2;
}

int8_t clampSigned8(double v) {
    long r = std::lround(v);
    return static_cast<int8_t>(r < -127 ? -127 : (r > 127 ? 127 : r));
}

} // namespace

void printStandinUsage(FILE* out) {
    std::fputs("Usage: sim-standin [options]\n"
               "Plays the simulator's IPC server, so that VOR Tavrin can be tried and tested\n"
               "without a simulator. Start it, then the gauge: it connects within a second.\n"
               "\n"
               "Values:\n"
               "  (default)             fixed values: the six instrument offsets and the\n"
               "                        handshake; change them with --set\n"
               "  --approach            a scripted ILS approach that loops every 60 s: both\n"
               "                        needles, the OBS, TO/FROM, the GS flag and the lights\n"
               "  --timeline FILE       value changes from FILE (see below)\n"
               "  --set NAME=VALUE      a fixed value; NAME is tofrom, loc, obs, gsflag, gs,\n"
               "                        lights, or OFFSET:SIZE (e.g. 0x0C48:1); VALUE decimal\n"
               "                        or 0x hexadecimal, negative for signed offsets\n"
               "Server:\n"
               "  --class NAME          the window class to own (default UIPCMAIN)\n"
               "  --fs98                own the class FS98MAIN instead\n"
               "  --server-version X    served at 0x3304 (default 0x19980005)\n"
               "  --sim-type N          simulator type in the low half of 0x3308 (default 1)\n"
               "  --sim-word X          the whole 32-bit value at 0x3308 (default 0xFADE0001)\n"
               "Faults:\n"
               "  --reject-version      serve 0x19980004 at 0x3304, one below the minimum\n"
               "  --wrong-type          serve 0xFADF in the high half of 0x3308\n"
               "  --reply N             answer N instead of 1 (0 or 2: a refused batch)\n"
               "  --no-answer           take every message and never answer it\n"
               "  --slow MS             answer each message MS milliseconds late\n"
               "  --exit-after N        exit after serving N batches\n"
               "  --rewrite-sizes N     after serving, overwrite each read record's size with N\n"
               "  --faults-after N      serve N batches normally before --reply, --no-answer,\n"
               "                        --slow and --rewrite-sizes take effect\n"
               "Output:\n"
               "  --stats               print round trips per second, once a second\n"
               "  --trace               print what it sees: each new block name, every write,\n"
               "                        and each batch whose layout differs from the last\n"
               "  --seconds S           exit after S seconds\n"
               "  --help                this text\n"
               "\n"
               "Timeline file: one change a line, '#' starts a comment:\n"
               "  <seconds> NAME=VALUE [NAME=VALUE ...]   from that time on\n"
               "  repeat <seconds>                        loop the timeline with that period\n"
               "\n"
               "Output lines: 'ready class=C pid=P', 'block NAME', 'write 0xOFFSET SIZE: BYTES',\n"
               "'batch R0C4B:1 R0C48:1 ...' (R read, W write, offset:size), 'rate N/s batches=M',\n"
               "'bad record at BYTE: ...'. Ends on Ctrl+C or when killed.\n"
               "\n"
               "Native build only: server and gauge meet in $XDG_RUNTIME_DIR/vor-tavrin-ipc,\n"
               "else /tmp/vor-tavrin-ipc-<uid>; tests give each run its own with VOR_IPC_DIR.\n",
               out);
}

StandinParse parseStandinArgs(int argc, char** argv, StandinConfig* config, FILE* err) {
    *config = StandinConfig{};
    std::snprintf(config->className, sizeof config->className, "%s", "UIPCMAIN");
    config->mode = StandinMode::Fixed;
    config->serverVersion = 0x19980005;
    config->simulatorWord = 0xFADE0001;
    config->replyValue = 1;
    const char* timelinePath = nullptr;
    bool typeGiven = false, wordGiven = false;
    uint32_t simType = 1;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needs = [&](const char* what) {
            if (!next) {
                std::fprintf(err, "sim-standin: %s needs %s\n", a, what);
                return false;
            }
            ++i;
            return true;
        };
        auto bad = [&](const char* value) {
            std::fprintf(err, "sim-standin: bad value '%s' for %s\n", value, a);
            return StandinParse::Error;
        };
        int64_t n = 0;
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            return StandinParse::Help;
        } else if (std::strcmp(a, "--approach") == 0) {
            config->mode = StandinMode::Approach;
        } else if (std::strcmp(a, "--timeline") == 0) {
            if (!needs("a file")) {
                return StandinParse::Error;
            }
            timelinePath = next;
        } else if (std::strcmp(a, "--set") == 0) {
            if (!needs("NAME=VALUE")) {
                return StandinParse::Error;
            }
            StandinValue v;
            if (!parseAssignment(next, &v)) {
                return bad(next);
            }
            config->fixed.push_back(v);
        } else if (std::strcmp(a, "--class") == 0) {
            if (!needs("a class name")) {
                return StandinParse::Error;
            }
            if (!*next || std::strlen(next) >= sizeof config->className) {
                return bad(next);
            }
            std::snprintf(config->className, sizeof config->className, "%s", next);
        } else if (std::strcmp(a, "--fs98") == 0) {
            std::snprintf(config->className, sizeof config->className, "%s", "FS98MAIN");
        } else if (std::strcmp(a, "--server-version") == 0) {
            if (!needs("a number") || !parseUnsigned32(next, &config->serverVersion)) {
                return next ? bad(next) : StandinParse::Error;
            }
        } else if (std::strcmp(a, "--sim-type") == 0) {
            if (!needs("a number") || !parseUnsigned32(next, &simType) || simType > 0xFFFF) {
                return next ? bad(next) : StandinParse::Error;
            }
            typeGiven = true;
        } else if (std::strcmp(a, "--sim-word") == 0) {
            if (!needs("a number") || !parseUnsigned32(next, &config->simulatorWord)) {
                return next ? bad(next) : StandinParse::Error;
            }
            wordGiven = true;
        } else if (std::strcmp(a, "--reject-version") == 0) {
            config->serverVersion = 0x19980004;
        } else if (std::strcmp(a, "--wrong-type") == 0) {
            config->simulatorWord = 0xFADF0000 | (config->simulatorWord & 0xFFFF);
            wordGiven = true;
        } else if (std::strcmp(a, "--reply") == 0) {
            if (!needs("a number") || !parseUnsigned32(next, &config->replyValue)) {
                return next ? bad(next) : StandinParse::Error;
            }
        } else if (std::strcmp(a, "--no-answer") == 0) {
            config->noAnswer = true;
        } else if (std::strcmp(a, "--slow") == 0) {
            if (!needs("milliseconds") || !parseUnsigned32(next, &config->slowMilliseconds) ||
                config->slowMilliseconds > 3600000) {
                return next ? bad(next) : StandinParse::Error;
            }
        } else if (std::strcmp(a, "--exit-after") == 0) {
            if (!needs("a count") || !parseNumber(next, &n) || n <= 0) {
                return next ? bad(next) : StandinParse::Error;
            }
            config->exitAfter = static_cast<uint64_t>(n);
        } else if (std::strcmp(a, "--rewrite-sizes") == 0) {
            if (!needs("a size") || !parseUnsigned32(next, &config->rewrittenSize)) {
                return next ? bad(next) : StandinParse::Error;
            }
            config->rewriteSizes = true;
        } else if (std::strcmp(a, "--faults-after") == 0) {
            if (!needs("a count") || !parseNumber(next, &n) || n < 0) {
                return next ? bad(next) : StandinParse::Error;
            }
            config->faultsAfter = static_cast<uint64_t>(n);
        } else if (std::strcmp(a, "--stats") == 0) {
            config->stats = true;
        } else if (std::strcmp(a, "--trace") == 0) {
            config->trace = true;
        } else if (std::strcmp(a, "--seconds") == 0) {
            if (!needs("seconds") || !parseNumber(next, &n) || n <= 0) {
                return next ? bad(next) : StandinParse::Error;
            }
            config->seconds = static_cast<double>(n);
        } else {
            std::fprintf(err, "sim-standin: unknown option '%s' (try --help)\n", a);
            return StandinParse::Error;
        }
    }
    if (typeGiven && !wordGiven) {
        config->simulatorWord = 0xFADE0000 | simType;
    } else if (typeGiven) {
        config->simulatorWord = (config->simulatorWord & 0xFFFF0000) | simType;
    }
    if (timelinePath) {
        if (config->mode == StandinMode::Approach) {
            std::fprintf(err, "sim-standin: --approach and --timeline exclude each other\n");
            return StandinParse::Error;
        }
        config->mode = StandinMode::Timeline;
        if (!loadStandinTimeline(timelinePath, config, err)) {
            return StandinParse::Error;
        }
    }
    return StandinParse::Run;
}

bool loadStandinTimeline(const char* path, StandinConfig* config, FILE* err) {
    FILE* f = std::fopen(path, "r");
    if (!f) {
        std::fprintf(err, "sim-standin: cannot open timeline '%s'\n", path);
        return false;
    }
    char line[1024];
    int number = 0;
    bool ok = true;
    double lastTime = 0;
    while (ok && std::fgets(line, sizeof line, f)) {
        ++number;
        size_t length = std::strlen(line);
        if (length == sizeof line - 1 && line[length - 1] != '\n' && !std::feof(f)) {
            std::fprintf(err, "%s:%d: line too long\n", path, number);
            ok = false;
            break;
        }
        if (char* hash = std::strchr(line, '#')) {
            *hash = '\0';
        }
        char* words[64];
        int count = 0;
        for (char* w = std::strtok(line, " \t\r\n"); w && count < 64;
             w = std::strtok(nullptr, " \t\r\n")) {
            words[count++] = w;
        }
        if (count == 0) {
            continue;
        }
        if (std::strcmp(words[0], "repeat") == 0) {
            char* end = nullptr;
            double period = count == 2 ? std::strtod(words[1], &end) : 0;
            if (count != 2 || *end != '\0' || !(period > 0) || period < lastTime) {
                std::fprintf(err, "%s:%d: 'repeat' needs a period not before the last change\n",
                             path, number);
                ok = false;
            }
            config->repeatPeriod = period;
            continue;
        }
        char* end = nullptr;
        double time = std::strtod(words[0], &end);
        if (*end != '\0' || !(time >= 0) || time > 1e7 || time < lastTime || count < 2) {
            std::fprintf(err, "%s:%d: expected '<seconds> NAME=VALUE ...' in time order\n", path,
                         number);
            ok = false;
            continue;
        }
        lastTime = time;
        for (int k = 1; k < count && ok; ++k) {
            StandinValue v;
            if (!parseAssignment(words[k], &v)) {
                std::fprintf(err, "%s:%d: bad assignment '%s'\n", path, number, words[k]);
                ok = false;
            } else {
                config->timeline.push_back(StandinTimelineEvent{time, v});
            }
        }
    }
    std::fclose(f);
    if (ok && config->repeatPeriod > 0 && config->repeatPeriod < lastTime) {
        std::fprintf(err, "%s: 'repeat' period is before the last change\n", path);
        ok = false;
    }
    return ok;
}

void initStandinState(StandinState* state, const StandinConfig& config) {
    std::memset(state, 0, sizeof *state);
    store32(state->values + 0x3304, config.serverVersion);
    store32(state->values + 0x3308, config.simulatorWord);
    // A live-looking instrument unless told otherwise: on course, on the
    // glide slope, TO, course 084.
    const StandinValue defaults[] = {{0x0C4B, 1, 1}, {0x0C48, 1, 0}, {0x0C4E, 2, 84},
                                     {0x0C4C, 1, 1}, {0x0C49, 1, 0}, {0x0D0C, 2, 0}};
    for (const StandinValue& v : defaults) {
        storeValue(state, v);
    }
    for (const StandinValue& v : config.fixed) {
        storeValue(state, v);
    }
    std::memcpy(state->initialValues, state->values, sizeof state->values);
}

void approachValues(double t, int8_t* toFrom, int8_t* locNeedle, uint16_t* obsDegrees,
                    uint8_t* gsFlag, int8_t* gsNeedle, uint16_t* lights) {
    double s = std::fmod(t, 60.0);
    if (s < 0) {
        s += 60.0;
    }
    // Course: set from 040 to the localiser's 084, turned to the missed
    // approach course 264 and back to 040 before the loop starts again.
    double obs = s < 48 ? smooth(40, 84, s, 0, 4)
                        : (s < 54 ? smooth(84, 264, s, 48, 53) : smooth(264, 400, s, 54, 60));
    long course = std::lround(obs) % 360;
    *obsDegrees = static_cast<uint16_t>(course);
    *toFrom = static_cast<int8_t>(s < 3 ? 0 : (s < 40 ? 1 : (s < 52 ? 2 : 0)));
    // Localiser: captured at 3 s from full right, settles with a slight
    // weave, drifts left after the station, centres again as the signal goes.
    double loc;
    if (s < 3) {
        loc = 0;
    } else if (s < 4) {
        loc = smooth(0, 127, s, 3, 4);
    } else if (s < 14) {
        loc = smooth(127, 0, s, 4, 14);
    } else if (s < 40) {
        loc = 9 * std::sin(2 * 3.14159265358979 * (s - 14) / 6.5);
    } else if (s < 52) {
        loc = smooth(0, -45, s, 40, 46) + smooth(0, 45, s, 46, 52);
    } else {
        loc = 0;
    }
    *locNeedle = clampSigned8(loc);
    // Glide slope: valid from 8 s, lost between 26 and 28 s, gone at 40 s.
    *gsFlag = static_cast<uint8_t>((s >= 8 && s < 26) || (s >= 28 && s < 40) ? 1 : 0);
    double gs;
    if (s < 8) {
        gs = 0;
    } else if (s < 9) {
        gs = smooth(0, -100, s, 8, 9);
    } else if (s < 20) {
        gs = smooth(-100, 0, s, 9, 20);
    } else if (s < 40) {
        gs = 6 * std::sin(2 * 3.14159265358979 * (s - 20) / 5);
    } else if (s < 44) {
        gs = smooth(0, 127, s, 40, 44);
    } else {
        gs = smooth(127, 0, s, 52, 57);
    }
    *gsNeedle = clampSigned8(gs);
    // Navigation lights always, panel lights (0x20) from 15 s to 45 s.
    *lights = static_cast<uint16_t>(0x0001 | (s >= 15 && s < 45 ? 0x0020 : 0));
}

void updateStandinValues(StandinState* state, const StandinConfig& config, double t) {
    if (config.mode == StandinMode::Approach) {
        int8_t toFrom, loc, gs;
        uint16_t obs, lights;
        uint8_t gsFlag;
        approachValues(t, &toFrom, &loc, &obs, &gsFlag, &gs, &lights);
        storeValue(state, {0x0C4B, 1, toFrom});
        storeValue(state, {0x0C48, 1, loc});
        storeValue(state, {0x0C4E, 2, obs});
        storeValue(state, {0x0C4C, 1, gsFlag});
        storeValue(state, {0x0C49, 1, gs});
        storeValue(state, {0x0D0C, 2, lights});
    } else if (config.mode == StandinMode::Timeline && !config.timeline.empty()) {
        double at = config.repeatPeriod > 0 ? std::fmod(t, config.repeatPeriod) : t;
        // From the initial values each time, so that a repetition starts over.
        for (const StandinTimelineEvent& e : config.timeline) {
            uint32_t end = e.value.offset + e.value.size;
            std::memcpy(state->values + e.value.offset, state->initialValues + e.value.offset,
                        (end > StandinTableSize ? StandinTableSize : end) - e.value.offset);
        }
        for (const StandinTimelineEvent& e : config.timeline) {
            if (e.time > at) {
                break;
            }
            storeValue(state, e.value);
        }
    }
}

uint32_t standinServeBatch(StandinState* state, const StandinConfig& config, uint8_t* block,
                           uint32_t blockSize, FILE* out) {
    char layout[sizeof state->lastLayout];
    size_t layoutLength = 0;
    layout[0] = '\0';
    uint64_t at = 0;
    const bool faulty = standinFaultsActive(*state, config);
    uint32_t reply = faulty ? config.replyValue : 1;
    bool ended = false;
    while (!ended) {
        // Each header is copied once and only the copy is used: the client
        // shares the block and could change it while we look.
        if (at + 4 > blockSize) {
            if (out && config.trace) {
                std::fprintf(out, "bad record at %llu: no end marker in the block\n",
                             static_cast<unsigned long long>(at));
            }
            reply = 0;
            break;
        }
        uint8_t header[12];
        uint32_t command = load32(block + at);
        uint32_t headerSize = command == BlockCommandRead ? 16 : 12;
        if (command == BlockCommandEnd) {
            break;
        }
        if (command != BlockCommandRead && command != BlockCommandWrite) {
            if (out && config.trace) {
                std::fprintf(out, "bad record at %llu: command %u\n",
                             static_cast<unsigned long long>(at), command);
            }
            reply = 0;
            break;
        }
        if (at + headerSize > blockSize) {
            if (out && config.trace) {
                std::fprintf(out, "bad record at %llu: header passes the block\n",
                             static_cast<unsigned long long>(at));
            }
            reply = 0;
            break;
        }
        std::memcpy(header, block + at, sizeof header);
        uint32_t offset = load32(header + 4);
        uint32_t size = load32(header + 8);
        uint64_t data = at + headerSize;
        if (data + size > blockSize) {
            if (out && config.trace) {
                std::fprintf(out, "bad record at %llu: %u data bytes pass the block\n",
                             static_cast<unsigned long long>(at), size);
            }
            reply = 0;
            break;
        }
        if (command == BlockCommandRead) {
            for (uint32_t i = 0; i < size; ++i) {
                uint64_t from = static_cast<uint64_t>(offset) + i;
                block[data + i] = from < StandinTableSize ? state->values[from] : 0;
            }
        } else {
            for (uint32_t i = 0; i < size; ++i) {
                uint64_t to = static_cast<uint64_t>(offset) + i;
                uint8_t byte = block[data + i];
                if (to >= StandinHandshakeFirst && to < StandinHandshakeEnd) {
                    state->handshakeWritten[to - StandinHandshakeFirst] = byte;
                } else if (to < StandinTableSize) {
                    state->values[to] = byte;
                }
            }
            if (out && config.trace) {
                std::fprintf(out, "write 0x%04X %u:", offset, size);
                for (uint32_t i = 0; i < size && i < 16; ++i) {
                    std::fprintf(out, " %02X", block[data + i]);
                }
                std::fprintf(out, size > 16 ? " ...\n" : "\n");
            }
        }
        if (layoutLength + 24 < sizeof layout) {
            int n = std::snprintf(layout + layoutLength, sizeof layout - layoutLength,
                                  "%s%c%04X:%u", layoutLength ? " " : "",
                                  command == BlockCommandRead ? 'R' : 'W', offset, size);
            layoutLength += n > 0 ? static_cast<size_t>(n) : 0;
        } else if (layoutLength + 4 < sizeof layout && layout[layoutLength - 1] != '.') {
            std::memcpy(layout + layoutLength, " ...", 5);
            layoutLength += 4;
        }
        if (command == BlockCommandRead && config.rewriteSizes && faulty) {
            store32(block + at + 8, config.rewrittenSize);
        }
        at = data + size;
    }
    ++state->batches;
    if (out && config.trace && std::strcmp(layout, state->lastLayout) != 0) {
        std::fprintf(out, "batch %s\n", layout);
        std::memcpy(state->lastLayout, layout, sizeof layout);
    }
    if (out) {
        std::fflush(out);
    }
    return reply;
}

bool standinFaultsActive(const StandinState& state, const StandinConfig& config) {
    return state.batches >= config.faultsAfter;
}

void noteStandinBlock(StandinState* state, const StandinConfig& config, const char* name,
                      FILE* out) {
    if (std::strncmp(name, state->lastBlockName, sizeof state->lastBlockName) == 0) {
        return;
    }
    std::snprintf(state->lastBlockName, sizeof state->lastBlockName, "%s", name);
    // A new block is a new link: its first batch is traced whatever it holds.
    state->lastLayout[0] = '\0';
    if (out && config.trace) {
        std::fprintf(out, "block %s\n", name);
        std::fflush(out);
    }
}

bool tickStandin(StandinState* state, const StandinConfig& config, double t, FILE* out) {
    if (t - state->lastReport >= 1.0) {
        if (out && config.stats) {
            double span = t - state->lastReport;
            std::fprintf(out, "rate %.0f/s batches=%llu\n",
                         static_cast<double>(state->batches - state->batchesAtLastReport) / span,
                         static_cast<unsigned long long>(state->batches));
            std::fflush(out);
        }
        state->lastReport = t;
        state->batchesAtLastReport = state->batches;
    }
    return !(config.seconds > 0 && t >= config.seconds);
}

double standinNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
