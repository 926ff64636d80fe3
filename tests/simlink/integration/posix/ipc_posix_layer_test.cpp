// ipc_posix_layer_test.cpp - the native IPC layer against the stand-in in a
// process of its own: finding windows (and not finding dead ones), message
// numbers, atoms, named mappings, and sends that are answered, time out, or
// meet a server that dies.
#include "simlink/posix/ipc_posix_server.h"
#include "simlink/posix/ipc_posix_shared.h"
#include "simlink/sim_ipc_platform.h"
#include "tests/simlink/integration/standin_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class IpcPosixLayer : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = useIsolatedIpcDirectory();
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { killStandin(&standin); }
    std::string dir;
    StandinProcess standin{};
};

// A pid that is certainly dead: a child that has been reaped.
pid_t deadPid() {
    pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    int status;
    waitpid(child, &status, 0);
    return child;
}

// An atom and block that the stand-in accepts: an empty batch.
struct Block {
    uint16_t atom;
    IpcMapping mapping;
    uint8_t* view;
};

Block makeBlock(const char* name) {
    Block b{ipcAddAtom(name), ipcCreateMapping(name, 0x8000), nullptr};
    b.view = static_cast<uint8_t*>(ipcMapView(b.mapping));
    return b;
}

void dropBlock(Block* b) {
    ipcUnmapView(b->view);
    ipcCloseMapping(b->mapping);
    ipcDeleteAtom(b->atom);
}

TEST_F(IpcPosixLayer, FindsOnlyALiveServerWithoutRegardToCase) {
    EXPECT_EQ(ipcFindWindow("UIPCMAIN"), 0u);
    ASSERT_TRUE(startStandin(&standin, {}));
    IpcWindow w = ipcFindWindow("UIPCMAIN");
    EXPECT_NE(w, 0u);
    EXPECT_EQ(ipcFindWindow("uipcmain"), w);
    EXPECT_EQ(ipcFindWindow("FS98MAIN"), 0u);
    EXPECT_EQ(ipcFindWindow(""), 0u);
    EXPECT_EQ(ipcFindWindow(nullptr), 0u);

    // Killed: its socket file stays behind, and must not be found.
    killStandin(&standin);
    EXPECT_EQ(access((dir + "/w-UIPCMAIN").c_str(), F_OK), 0);
    EXPECT_EQ(ipcFindWindow("UIPCMAIN"), 0u);
    // A new server takes the dead one's place.
    ASSERT_TRUE(startStandin(&standin, {}));
    IpcWindow again = ipcFindWindow("UIPCMAIN");
    EXPECT_NE(again, 0u);
    EXPECT_NE(again, w) << "a new server is a new window";
}

TEST_F(IpcPosixLayer, ASecondServerCannotTakeALiveClass) {
    ASSERT_TRUE(startStandin(&standin, {}));
    IpcPosixServer second;
    EXPECT_FALSE(ipcServerAnnounce(&second, "UIPCMAIN"));
    ASSERT_TRUE(ipcServerAnnounce(&second, "FS98MAIN"));
    EXPECT_NE(ipcFindWindow("FS98MAIN"), 0u);
    ipcServerClose(&second);
    EXPECT_EQ(ipcFindWindow("FS98MAIN"), 0u);
}

TEST_F(IpcPosixLayer, RegisteredMessagesAreStableAndInTheRegisteredRange) {
    uint32_t m = ipcRegisterMessage("FsasmLib:IPC");
    EXPECT_GE(m, 0xC000u);
    EXPECT_LE(m, 0xFFFFu);
    EXPECT_EQ(ipcRegisterMessage("FsasmLib:IPC"), m);
    EXPECT_EQ(ipcRegisterMessage("fsasmlib:ipc"), m);
    EXPECT_EQ(ipcRegisterMessage(""), 0u);
    EXPECT_EQ(ipcRegisterMessage(nullptr), 0u);
}

TEST_F(IpcPosixLayer, AtomsHoldTheirTextUntilDeleted) {
    uint16_t a = ipcAddAtom("FsasmLib:IPC:1F:1");
    ASSERT_GE(a, 0xC000);
    char text[300];
    ASSERT_EQ(ipcGetAtomName(a, text, sizeof text), 17u);
    EXPECT_STREQ(text, "FsasmLib:IPC:1F:1");
    EXPECT_EQ(ipcGetAtomName(a, text, 17), 0u) << "no room for the terminator";
    EXPECT_EQ(ipcAddAtom("fsasmlib:ipc:1f:1"), a) << "the same text is the same atom";
    uint16_t b = ipcAddAtom("FsasmLib:IPC:1F:2");
    EXPECT_NE(b, 0);
    EXPECT_NE(b, a);
    ipcDeleteAtom(a);
    EXPECT_EQ(ipcGetAtomName(a, text, sizeof text), 0u);
    ipcDeleteAtom(a); // twice: nothing happens
    ipcDeleteAtom(b);
    EXPECT_EQ(ipcAddAtom(""), 0);
    EXPECT_EQ(ipcAddAtom(std::string(256, 'x').c_str()), 0);
    EXPECT_EQ(ipcAddAtom("#123"), 123) << "an integer atom";
    EXPECT_EQ(ipcAddAtom("#0"), 0);
}

TEST_F(IpcPosixLayer, AtomsOfADeadProcessAreReclaimed) {
    // Every slot a name can hash to first is taken by a dead owner's atom of
    // another text: the add must reclaim rather than wander or fail.
    uint16_t a = ipcAddAtom("FsasmLib:IPC:2A:1");
    ASSERT_NE(a, 0);
    char path[600];
    std::snprintf(path, sizeof path, "%s/a-%04X", dir.c_str(), a);
    ipcDeleteAtom(a);
    FILE* f = std::fopen(path, "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "%d some other text", static_cast<int>(deadPid()));
    std::fclose(f);
    EXPECT_EQ(ipcAddAtom("FsasmLib:IPC:2A:1"), a);
    char text[300];
    ASSERT_NE(ipcGetAtomName(a, text, sizeof text), 0u);
    EXPECT_STREQ(text, "FsasmLib:IPC:2A:1");
    ipcDeleteAtom(a);
    // A garbled file is no atom at all.
    f = std::fopen(path, "w");
    std::fputs("garbage", f);
    std::fclose(f);
    EXPECT_EQ(ipcGetAtomName(a, text, sizeof text), 0u);
    EXPECT_EQ(ipcAddAtom("FsasmLib:IPC:2A:1"), a);
    ipcDeleteAtom(a);
}

TEST_F(IpcPosixLayer, AMappingNameExistsUntilItsCreatorClosesIt) {
    IpcMapping m = ipcCreateMapping("FsasmLib:IPC:3:1", 0x8000);
    ASSERT_NE(m, 0u);
    EXPECT_EQ(ipcLastError(), 0u);
    uint8_t* view = static_cast<uint8_t*>(ipcMapView(m));
    ASSERT_NE(view, nullptr);
    view[0x7FFF] = 0x5A;

    IpcMapping existing = ipcCreateMapping("FsasmLib:IPC:3:1", 0x8000);
    ASSERT_NE(existing, 0u);
    EXPECT_EQ(ipcLastError(), IpcErrorAlreadyExists);
    IpcMapping opened = ipcOpenMapping("FsasmLib:IPC:3:1");
    ASSERT_NE(opened, 0u);
    EXPECT_EQ(ipcMappingSize(opened), 0x8000u);
    uint8_t* other = static_cast<uint8_t*>(ipcMapView(opened));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other[0x7FFF], 0x5A) << "one block under one name";
    ipcUnmapView(other);
    ipcCloseMapping(opened);
    ipcCloseMapping(existing); // not the creator: the name stays
    EXPECT_NE(ipcOpenMapping("FsasmLib:IPC:3:1"), 0u);

    ipcUnmapView(view);
    ipcCloseMapping(m);
    EXPECT_EQ(ipcOpenMapping("FsasmLib:IPC:3:1"), 0u);
    IpcMapping fresh = ipcCreateMapping("FsasmLib:IPC:3:1", 0x8000);
    EXPECT_NE(fresh, 0u);
    EXPECT_EQ(ipcLastError(), 0u);
    ipcCloseMapping(fresh);
    ipcCloseMapping(0);
    EXPECT_EQ(ipcMapView(0), nullptr);
    EXPECT_EQ(ipcCreateMapping("", 0x8000), 0u);
    EXPECT_EQ(ipcCreateMapping("x", 0), 0u);
}

TEST_F(IpcPosixLayer, AMappingLeftByAKilledCreatorIsReclaimed) {
    pid_t child = fork();
    if (child == 0) {
        // Created, then the process dies without closing anything.
        _exit(ipcCreateMapping("FsasmLib:IPC:4:1", 0x8000) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    IpcMapping left = ipcOpenMapping("FsasmLib:IPC:4:1");
    EXPECT_NE(left, 0u) << "it is still there";
    ipcCloseMapping(left);
    IpcMapping m = ipcCreateMapping("FsasmLib:IPC:4:1", 0x8000);
    ASSERT_NE(m, 0u);
    EXPECT_EQ(ipcLastError(), 0u) << "reclaimed, not reported as existing";
    ipcCloseMapping(m);
}

TEST_F(IpcPosixLayer, TheNextLinkSweepsAwayWhatAKilledClientLeft) {
    pid_t child = fork();
    if (child == 0) {
        bool made = ipcAddAtom("FsasmLib:IPC:9:1") && ipcCreateMapping("FsasmLib:IPC:9:1", 0x8000);
        _exit(made ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    IpcMapping left = ipcOpenMapping("FsasmLib:IPC:9:1");
    ASSERT_NE(left, 0u);
    ipcCloseMapping(left);
    uint16_t atom = ipcAddAtom("FsasmLib:IPC:9:2"); // another name: a sweep, not a reuse
    ASSERT_NE(atom, 0);
    EXPECT_EQ(ipcOpenMapping("FsasmLib:IPC:9:1"), 0u);
    char path[600];
    int atoms = 0;
    for (unsigned a = 0xC000; a <= 0xFFFF; ++a) {
        std::snprintf(path, sizeof path, "%s/a-%04X", dir.c_str(), a);
        atoms += access(path, F_OK) == 0;
    }
    EXPECT_EQ(atoms, 1) << "only the new atom is left";
    ipcDeleteAtom(atom);
}

TEST_F(IpcPosixLayer, ASendYieldsTheServersReply) {
    ASSERT_TRUE(startStandin(&standin, {"--reply", "7"}));
    IpcWindow w = ipcFindWindow("UIPCMAIN");
    ASSERT_NE(w, 0u);
    Block b = makeBlock("FsasmLib:IPC:5:1");
    ASSERT_NE(b.view, nullptr);
    uint32_t message = ipcRegisterMessage("FsasmLib:IPC");
    uint32_t reply = 0;
    EXPECT_TRUE(ipcSendMessageTimeout(w, message, b.atom, 0, 2000, &reply));
    EXPECT_EQ(reply, 7u);
    // An unknown message gets DefWindowProc's 0; an unknown atom a refusal.
    EXPECT_TRUE(ipcSendMessageTimeout(w, message + 1 == 0x10000 ? message - 1 : message + 1, b.atom,
                                      0, 2000, &reply));
    EXPECT_EQ(reply, 0u);
    EXPECT_TRUE(ipcSendMessageTimeout(w, message, 0xBFFF, 0, 2000, &reply));
    EXPECT_EQ(reply, 0u);
    EXPECT_FALSE(ipcSendMessageTimeout(0, message, b.atom, 0, 2000, &reply));
    EXPECT_NE(ipcLastError(), 0u);
    dropBlock(&b);
}

TEST_F(IpcPosixLayer, ATimedOutSendReportsNoErrorAndItsLateReplyIsDropped) {
    ASSERT_TRUE(startStandin(&standin, {"--slow", "1500", "--reply", "1"}));
    IpcWindow w = ipcFindWindow("UIPCMAIN");
    ASSERT_NE(w, 0u);
    Block b = makeBlock("FsasmLib:IPC:6:1");
    uint32_t message = ipcRegisterMessage("FsasmLib:IPC");
    uint32_t reply = 99;
    double start = monotonicSeconds();
    EXPECT_FALSE(ipcSendMessageTimeout(w, message, b.atom, 0, 100, &reply));
    double took = monotonicSeconds() - start;
    EXPECT_EQ(ipcLastError(), 0u) << "a time-out, not a failure";
    EXPECT_GE(took, 0.09);
    EXPECT_LT(took, 1.2) << "waited for the reply instead";
    EXPECT_EQ(reply, 99u);
    // The next send must wait for its own answer (behind the first one's),
    // not take the first one's late answer.
    start = monotonicSeconds();
    EXPECT_TRUE(ipcSendMessageTimeout(w, message, b.atom, 0, 8000, &reply));
    EXPECT_GE(monotonicSeconds() - start, 2.0) << "answered by the earlier reply";
    EXPECT_EQ(reply, 1u);
    dropBlock(&b);
}

TEST_F(IpcPosixLayer, AServerThatDiesFailsTheSendAtOnceWithAnError) {
    ASSERT_TRUE(startStandin(&standin, {"--no-answer"}));
    IpcWindow w = ipcFindWindow("UIPCMAIN");
    ASSERT_NE(w, 0u);
    Block b = makeBlock("FsasmLib:IPC:7:1");
    uint32_t message = ipcRegisterMessage("FsasmLib:IPC");
    pid_t killer = fork();
    if (killer == 0) {
        usleep(200000);
        kill(static_cast<pid_t>(standin.pid), SIGKILL);
        _exit(0);
    }
    uint32_t reply = 0;
    double start = monotonicSeconds();
    EXPECT_FALSE(ipcSendMessageTimeout(w, message, b.atom, 0, 20000, &reply));
    EXPECT_LT(monotonicSeconds() - start, 10.0) << "the death ends the wait";
    EXPECT_EQ(ipcLastError(), IpcErrorInvalidWindowHandle);
    int status;
    waitpid(killer, &status, 0);
    killStandin(&standin);
    // The old handle stays dead, as a destroyed window's does.
    EXPECT_FALSE(ipcSendMessageTimeout(w, message, b.atom, 0, 100, &reply));
    EXPECT_NE(ipcLastError(), 0u);
    ASSERT_TRUE(startStandin(&standin, {}));
    EXPECT_FALSE(ipcSendMessageTimeout(w, message, b.atom, 0, 100, &reply));
    IpcWindow fresh = ipcFindWindow("UIPCMAIN");
    EXPECT_TRUE(ipcSendMessageTimeout(fresh, message, b.atom, 0, 2000, &reply));
    EXPECT_EQ(reply, 1u);
    dropBlock(&b);
}

TEST_F(IpcPosixLayer, AClientThatSendsGarbageOrStallsHarmsNoOther) {
    ASSERT_TRUE(startStandin(&standin, {}));
    auto rawConnection = [&] {
        int s = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s/w-UIPCMAIN", dir.c_str());
        EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return s;
    };
    int garbage = rawConnection();
    char junk[100];
    std::memset(junk, 0xA5, sizeof junk);
    EXPECT_EQ(write(garbage, junk, sizeof junk), static_cast<ssize_t>(sizeof junk));
    int stalled = rawConnection();
    EXPECT_EQ(write(stalled, junk, 7), 7); // a request begun and never finished
    IpcWindow w = ipcFindWindow("UIPCMAIN");
    Block b = makeBlock("FsasmLib:IPC:A:1");
    uint32_t reply = 0;
    EXPECT_TRUE(
        ipcSendMessageTimeout(w, ipcRegisterMessage("FsasmLib:IPC"), b.atom, 0, 2000, &reply));
    EXPECT_EQ(reply, 1u);
    // The garbage sender has been dropped: its stream ends (or is reset).
    pollfd p{garbage, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1);
    char byte;
    EXPECT_LE(read(garbage, &byte, 1), 0);
    close(garbage);
    close(stalled);
    dropBlock(&b);
}

TEST_F(IpcPosixLayer, RefusesAnUnsafeDirectory) {
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    char out[512];
    EXPECT_FALSE(ipcPosixDirectory(out, sizeof out));
    EXPECT_EQ(ipcAddAtom("FsasmLib:IPC:8:1"), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
    EXPECT_TRUE(ipcPosixDirectory(out, sizeof out));
}

} // namespace
