// fake_sim_ipc_platform.cpp - the fake platform calls and their scripted
// server. The server's walk over the block is bounded by the block, so that
// a fault found by a test is the client's, never the fake's.
#include "tests/simlink/client/fake_sim_ipc_platform.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr uint32_t NotEnoughMemoryError = 8;

// Never freed: link threads may still call in while the process ends.
std::mutex* fakeMutex = new std::mutex;
FakeServer* server = new FakeServer{};
thread_local uint32_t lastError = 0;

uint32_t get32(const uint8_t* at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

FakeMappingObject* objectNamed(const std::string& name) {
    for (FakeMappingObject* o : server->mappingObjects) {
        if (o->name == name) {
            return o;
        }
    }
    return nullptr;
}

void dropIfUnused(FakeMappingObject* o) {
    if (o->handles > 0 || o->views > 0) {
        return;
    }
    for (auto it = server->mappingObjects.begin(); it != server->mappingObjects.end(); ++it) {
        if (*it == o) {
            server->mappingObjects.erase(it);
            break;
        }
    }
    std::free(o->memory);
    delete o;
}

IpcMapping newHandle(FakeMappingObject* o) {
    IpcMapping h = server->nextMapping++;
    server->mappingHandles[h] = o;
    ++o->handles;
    return h;
}

// Performs the records up to the end marker, as a well-behaved server does.
void serve(uint8_t* block, uint32_t size) {
    std::vector<FakeServedRecord> batch;
    uint32_t pos = 0;
    while (pos + 4 <= size) {
        uint32_t command = get32(block + pos);
        if (command == 1 && pos + 16 <= size) {
            uint32_t n = get32(block + pos + 8);
            if (n > size - pos - 16) {
                break;
            }
            uint32_t offset = get32(block + pos + 4);
            for (uint32_t i = 0; i < n; ++i) {
                uint64_t at = uint64_t{offset} + i;
                block[pos + 16 + i] = at < sizeof server->offsets ? server->offsets[at] : 0;
            }
            if (server->keepHistory) {
                batch.push_back({pos, command, offset, n, get32(block + pos + 12), {}});
            }
            pos += 16 + n;
        } else if (command == 2 && pos + 12 <= size) {
            uint32_t n = get32(block + pos + 8);
            if (n > size - pos - 12) {
                break;
            }
            uint32_t offset = get32(block + pos + 4);
            uint32_t length = n;
            FakeServedRecord r{pos, command, offset, n, 0, {}};
            r.data.assign(block + pos + 12, block + pos + 12 + n);
            // The client's version is taken, not stored over the simulator's
            // value that shares those bytes.
            if (offset == 0x330A && n == 2) {
                server->clientVersionWritten =
                    static_cast<uint16_t>(block[pos + 12] | block[pos + 13] << 8);
                n = 0;
            }
            for (uint32_t i = 0; i < n; ++i) {
                uint64_t at = uint64_t{offset} + i;
                if (at < sizeof server->offsets) {
                    server->offsets[at] = block[pos + 12 + i];
                }
            }
            if (server->keepHistory) {
                batch.push_back(r);
            }
            pos += 12 + length;
        } else {
            break;
        }
    }
    if (server->keepHistory) {
        server->batches.push_back(std::move(batch));
    }
}

} // namespace

std::mutex& fakeLock() {
    return *fakeMutex;
}
FakeServer& fakeServer() {
    return *server;
}

void fakeReset() {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    for (FakeMappingObject* o : server->mappingObjects) {
        std::free(o->memory);
        delete o;
    }
    FakeServer& s = *server;
    s.mappingObjects.clear();
    s.mappingHandles.clear();
    s.atoms.clear();
    s.batches.clear();
    s.lastBlockBeforeServe.clear();
    s.lastAtomName.clear();
    s.afterServe = nullptr;
    s.primaryWindow = true;
    s.fallbackWindow = false;
    s.processId = 0x1A2B;
    s.registerFails = false;
    s.atomFails = false;
    s.mappingFails = false;
    s.viewFails = false;
    s.sendFailures = 0;
    s.sendAlwaysFails = false;
    s.sendErrorValue = 0;
    s.replyValue = 1;
    s.sleepForReal = false;
    s.keepHistory = true;
    std::memset(s.offsets, 0, sizeof s.offsets);
    s.sends = 0;
    s.roundTrips = 0;
    s.sleeps = 0;
    s.sleptMilliseconds = 0;
    s.openAttempts = 0;
    s.mapsMade = 0;
    s.unmapsMade = 0;
    s.lastSendWindow = 0;
    s.lastSendMessage = 0;
    s.lastSendFirstParam = 0;
    s.lastSendSecondParam = 0;
    s.lastSendTimeout = 0;
    s.clientVersionWritten = 0;
    s.nextAtom = 0xC001;
    s.nextMapping = 0x500;
    fakePut32(0x3304, 0x19980005);
    fakePut32(0x3308, 0xFADE0001);
}

void fakePut16(uint32_t offset, uint16_t value) {
    server->offsets[offset] = static_cast<uint8_t>(value);
    server->offsets[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void fakePut32(uint32_t offset, uint32_t value) {
    fakePut16(offset, static_cast<uint16_t>(value));
    fakePut16(offset + 2, static_cast<uint16_t>(value >> 16));
}

uint16_t fakeGet16(uint32_t offset) {
    return static_cast<uint16_t>(server->offsets[offset] | server->offsets[offset + 1] << 8);
}

void fakePlantMapping(const std::string& name) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    FakeMappingObject* o =
        new FakeMappingObject{name, static_cast<uint8_t*>(std::calloc(1, 0x8000)), 0x8000, 0, 0};
    server->mappingObjects.push_back(o);
    newHandle(o);
}

int fakeLiveMappings() {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    return static_cast<int>(server->mappingObjects.size());
}

uint8_t* fakeBlockOf(const std::string& name) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    FakeMappingObject* o = objectNamed(name);
    return o ? o->memory : nullptr;
}

IpcWindow ipcFindWindow(const char* className) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    if (std::strcmp(className, "UIPCMAIN") == 0) {
        ++server->openAttempts;
        return server->primaryWindow ? FakePrimaryWindow : 0;
    }
    if (std::strcmp(className, "FS98MAIN") == 0) {
        return server->fallbackWindow ? FakeFallbackWindow : 0;
    }
    return 0;
}

uint32_t ipcRegisterMessage(const char* name) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    return !server->registerFails && std::strcmp(name, "FsasmLib:IPC") == 0 ? FakeMessageId : 0;
}

uint32_t ipcProcessId() {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    return server->processId;
}

uint16_t ipcAddAtom(const char* name) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    if (server->atomFails) {
        lastError = NotEnoughMemoryError;
        return 0;
    }
    uint16_t atom = server->nextAtom++;
    server->atoms[atom] = name;
    server->lastAtomName = name;
    return atom;
}

void ipcDeleteAtom(uint16_t atom) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    server->atoms.erase(atom);
}

IpcMapping ipcCreateMapping(const char* name, uint32_t size) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    if (server->mappingFails) {
        lastError = NotEnoughMemoryError;
        return 0;
    }
    if (FakeMappingObject* existing = objectNamed(name)) {
        lastError = IpcErrorAlreadyExists;
        return newHandle(existing);
    }
    FakeMappingObject* o =
        new FakeMappingObject{name, static_cast<uint8_t*>(std::calloc(1, size)), size, 0, 0};
    server->mappingObjects.push_back(o);
    lastError = 0;
    return newHandle(o);
}

void* ipcMapView(IpcMapping mapping) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    auto it = server->mappingHandles.find(mapping);
    if (server->viewFails || it == server->mappingHandles.end()) {
        lastError = NotEnoughMemoryError;
        return nullptr;
    }
    ++it->second->views;
    ++server->mapsMade;
    return it->second->memory;
}

void ipcUnmapView(void* view) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    for (FakeMappingObject* o : server->mappingObjects) {
        if (o->memory == view && o->views > 0) {
            --o->views;
            ++server->unmapsMade;
            dropIfUnused(o);
            return;
        }
    }
}

void ipcCloseMapping(IpcMapping mapping) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    auto it = server->mappingHandles.find(mapping);
    if (it == server->mappingHandles.end()) {
        return;
    }
    FakeMappingObject* o = it->second;
    server->mappingHandles.erase(it);
    --o->handles;
    dropIfUnused(o);
}

bool ipcSendMessageTimeout(IpcWindow window, uint32_t message, uintptr_t firstParam,
                           intptr_t secondParam, uint32_t timeoutMilliseconds, uint32_t* reply) {
    std::lock_guard<std::mutex> hold(*fakeMutex);
    FakeServer& s = *server;
    ++s.sends;
    s.lastSendWindow = window;
    s.lastSendMessage = message;
    s.lastSendFirstParam = firstParam;
    s.lastSendSecondParam = secondParam;
    s.lastSendTimeout = timeoutMilliseconds;
    bool present = (window == FakePrimaryWindow && s.primaryWindow) ||
                   (window == FakeFallbackWindow && s.fallbackWindow);
    if (!present) {
        lastError = FakeInvalidWindowError;
        return false;
    }
    if (s.sendAlwaysFails || s.sendFailures > 0) {
        if (s.sendFailures > 0) {
            --s.sendFailures;
        }
        lastError = s.sendErrorValue;
        return false;
    }
    ++s.roundTrips;
    // A window procedure that does not know the message, or cannot open the
    // block, answers 0.
    *reply = 0;
    auto atom = s.atoms.find(static_cast<uint16_t>(firstParam));
    FakeMappingObject* o =
        atom == s.atoms.end() || firstParam > 0xFFFF ? nullptr : objectNamed(atom->second);
    if (message != FakeMessageId || !o) {
        return true;
    }
    if (s.keepHistory) {
        s.lastBlockBeforeServe.assign(o->memory, o->memory + o->size);
    }
    serve(o->memory, o->size);
    if (s.afterServe) {
        s.afterServe(o->memory, o->size);
    }
    *reply = s.replyValue;
    return true;
}

uint32_t ipcLastError() {
    return lastError;
}

void ipcSleep(uint32_t milliseconds) {
    bool real = false;
    {
        std::lock_guard<std::mutex> hold(*fakeMutex);
        ++server->sleeps;
        server->sleptMilliseconds += milliseconds;
        real = server->sleepForReal;
    }
    if (real) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}
