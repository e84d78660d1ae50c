// How sorvel ends and how it refuses to start, what it costs while the
// screen is still, and what it holds after many refreshes: on Xvfb, with
// the tests' windows and xlogo, a real X program that redraws itself.
// GoogleTest first: Xlib defines None as a macro.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xcomposite.h>
#include <dirent.h>

#include <csignal>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "scene_client.h"
#include "sorvel_run.h"
#include "virtual_display.h"

namespace velmora::test {
namespace {

enum ExitCode { kEnded = 0, kCannotRun = 1, kUsage = 2, kOtherCompositor = 3 };

class SorvelLifecycle : public ::testing::Test {
protected:
    SorvelLifecycle() : server_({.width = 800, .height = 600}), client_(server_.name()), scene_(client_) {
        client_.setRootBackground(32, 32, noise(21), false);
        scene_.add({.x = 50, .y = 60, .width = 300, .height = 200, .borderWidth = 2, .border = 0x00FF00,
                    .content = gradient()});
        scene_.add({.x = 250, .y = 180, .width = 400, .height = 300, .content = noise(22)});
        client_.sync();
        colour_ = scene_.model(800, 600);
        EXPECT_EQ(client_.waitForScreen(colour_, kShowTimeout), "") << "the scene before sorvel";
    }

    void expectGray(const char* when) {
        client_.sync();
        EXPECT_EQ(client_.waitForScreen(grayOf(scene_.model(800, 600)), kShowTimeout), "") << when;
    }
    void expectColoursBack(const char* when) {
        EXPECT_EQ(client_.waitForScreen(scene_.model(800, 600), kShowTimeout), "") << when;
    }

    VirtualDisplay server_;
    TestClient client_;
    Scene scene_;
    ScreenImage colour_;
};

TEST_F(SorvelLifecycle, CtrlAltQEndsItAndTheColoursComeBack) {
    auto sorvel = startSorvel(server_.name());
    expectGray("while sorvel runs");
    client_.pressKeys({"Control_L", "Alt_L", "q"});
    EXPECT_EQ(sorvel->waitForExit(kShowTimeout), kEnded) << sorvel->errors();
    expectColoursBack("after Ctrl+Alt+Q");
}

TEST_F(SorvelLifecycle, SigtermAndSigintEndItAndTheColoursComeBack) {
    for (const int signal : {SIGTERM, SIGINT}) {
        auto sorvel = startSorvel(server_.name());
        expectGray("while sorvel runs");
        sorvel->sendSignal(signal);
        EXPECT_EQ(sorvel->waitForExit(kShowTimeout), kEnded) << strsignal(signal);
        expectColoursBack(strsignal(signal));
    }
}

// Killed, sorvel can do nothing: the server frees its redirection and its
// overlay window, and a program that draws on Expose draws again.
TEST_F(SorvelLifecycle, WhenKilledTheServerGivesTheWindowsBack) {
    ChildProcess xlogo({"/usr/bin/xlogo", "-geometry", "200x200+550+20", "-bg", "#10a0f0", "-fg", "#f0e000"},
                       server_.name());
    ScreenImage withXlogo;
    for (int attempt = 0; attempt < 100 && withXlogo.pixels.empty(); ++attempt) {
        std::this_thread::sleep_for(50ms);
        ScreenImage now = client_.capture();
        if (now.at(650, 120) != colour_.at(650, 120)) withXlogo = std::move(now);
    }
    ASSERT_FALSE(withXlogo.pixels.empty()) << "xlogo did not show";
    std::this_thread::sleep_for(200ms);
    withXlogo = client_.capture();

    auto sorvel = startSorvel(server_.name());
    EXPECT_EQ(client_.waitForScreen(grayOf(withXlogo), kShowTimeout), "");
    sorvel->sendSignal(SIGKILL);
    EXPECT_EQ(sorvel->waitForExit(kShowTimeout), 128 + SIGKILL);
    EXPECT_EQ(client_.waitForScreen(withXlogo, kShowTimeout), "") << "after sorvel was killed";
}

std::vector<Window> rootChildren(const TestClient& client) {
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(client.display(), client.root(), &root, &parent, &children, &count);
    std::vector<Window> result(children, children + count);
    if (children) XFree(children);
    return result;
}

TEST_F(SorvelLifecycle, ASecondInstanceRefusesAndChangesNothing) {
    auto first = startSorvel(server_.name());
    expectGray("with the first sorvel");
    const std::vector<Window> windowsBefore = rootChildren(client_);

    ChildProcess second({kSorvelProgram}, server_.name());
    EXPECT_EQ(second.waitForExit(kShowTimeout), kOtherCompositor);
    EXPECT_NE(second.errors().find("another compositing manager runs on this screen (sorvel"), std::string::npos)
        << second.errors();
    EXPECT_EQ(rootChildren(client_), windowsBefore);

    // The first one goes on as before.
    scene_.add({.x = 500, .y = 400, .width = 200, .height = 150, .content = noise(23)});
    expectGray("a window opened after the second instance refused");
    first->sendSignal(SIGTERM);
    EXPECT_EQ(first->waitForExit(kShowTimeout), kEnded);
    expectColoursBack("after the first sorvel ended");
}

TEST_F(SorvelLifecycle, AnotherCompositingManagerIsRefused) {
    Display* display = client_.display();
    const Atom selection = XInternAtom(display, "_NET_WM_CM_S0", False);
    const Window manager = XCreateSimpleWindow(display, client_.root(), 0, 0, 1, 1, 0, 0, 0);
    XStoreName(display, manager, "another manager");
    XSetSelectionOwner(display, selection, manager, CurrentTime);
    client_.sync();
    const std::vector<Window> windowsBefore = rootChildren(client_);
    {
        ChildProcess sorvel({kSorvelProgram}, server_.name());
        EXPECT_EQ(sorvel.waitForExit(kShowTimeout), kOtherCompositor);
        EXPECT_NE(sorvel.errors().find("another compositing manager runs on this screen (another manager"),
                  std::string::npos)
            << sorvel.errors();
    }
    EXPECT_EQ(XGetSelectionOwner(display, selection), manager);
    EXPECT_EQ(rootChildren(client_), windowsBefore);
    EXPECT_EQ(differences(client_.capture(), colour_), "");
    XDestroyWindow(display, manager);

    // A program that redirects the windows without announcing itself.
    XCompositeRedirectSubwindows(display, client_.root(), CompositeRedirectManual);
    client_.sync();
    {
        ChildProcess sorvel({kSorvelProgram}, server_.name());
        EXPECT_EQ(sorvel.waitForExit(kShowTimeout), kOtherCompositor);
        EXPECT_NE(sorvel.errors().find("already composites this screen"), std::string::npos) << sorvel.errors();
    }
    EXPECT_EQ(XGetSelectionOwner(display, selection), static_cast<Window>(None));
    XCompositeUnredirectSubwindows(display, client_.root(), CompositeRedirectManual);
    expectColoursBack("after the other program let go");
}

TEST(SorvelRefusal, WithoutADisplayOrExtensionsItEndsWithAClearMessage) {
    {
        ChildProcess sorvel({kSorvelProgram}, std::nullopt);
        EXPECT_EQ(sorvel.waitForExit(kShowTimeout), kCannotRun);
        EXPECT_NE(sorvel.errors().find("DISPLAY is not set"), std::string::npos) << sorvel.errors();
    }
    {
        ChildProcess sorvel({kSorvelProgram, "--display", ":4999"}, std::nullopt);
        EXPECT_EQ(sorvel.waitForExit(kShowTimeout), kCannotRun);
        EXPECT_NE(sorvel.errors().find("cannot open the X display \":4999\""), std::string::npos) << sorvel.errors();
    }
    {
        ChildProcess sorvel({kSorvelProgram, "--colour"}, std::nullopt);
        EXPECT_EQ(sorvel.waitForExit(kShowTimeout), kUsage);
        EXPECT_NE(sorvel.errors().find("unknown argument \"--colour\""), std::string::npos) << sorvel.errors();
    }
    for (const char* extension : {"Composite", "DAMAGE", "XFIXES", "RENDER", "RANDR", "MIT-SHM"}) {
        VirtualDisplay server({.width = 320, .height = 240, .extraArguments = {"-extension", extension}});
        ChildProcess sorvel({kSorvelProgram}, server.name());
        EXPECT_EQ(sorvel.waitForExit(kShowTimeout), kCannotRun) << extension;
        const std::string& errors = sorvel.errors();
        EXPECT_NE(errors.find("the X server lacks extensions that sorvel needs"), std::string::npos) << errors;
        EXPECT_NE(errors.find(std::string(extension) + " (missing)"), std::string::npos) << errors;
    }
}

// How often the process has given up the processor: every wait that ended.
long wakeupsOf(pid_t pid) {
    std::ifstream status(std::string("/proc/").append(std::to_string(pid)).append("/status"));
    long switches = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.find("ctxt_switches:") != std::string::npos) switches += std::stol(line.substr(line.find(':') + 1));
    }
    return switches;
}

TEST_F(SorvelLifecycle, SleepsWhileNothingChanges) {
    auto sorvel = startSorvel(server_.name());
    expectGray("at start");
    std::this_thread::sleep_for(300ms);
    const double cpuBefore = cpuSecondsOf(sorvel->pid());
    const long wakeupsBefore = wakeupsOf(sorvel->pid());
    std::this_thread::sleep_for(2s);
    const double cpu = cpuSecondsOf(sorvel->pid()) - cpuBefore;
    const long wakeups = wakeupsOf(sorvel->pid()) - wakeupsBefore;
    RecordProperty("cpu_ms_in_2_s", static_cast<int>(cpu * 1000));
    RecordProperty("wakeups_in_2_s", static_cast<int>(wakeups));
    // A process that polled, even on a timer that finds nothing to do, would
    // wake up hundreds of times.
    EXPECT_LE(wakeups, 4) << "sorvel woke up " << wakeups << " times in 2 s of a still screen";
    EXPECT_LE(cpu, 0.02) << "sorvel used " << cpu << " s of CPU in 2 s of a still screen";
}

// What the server holds for a client, by resource type, and the bytes of its
// pixmaps.
struct ServerHoldings {
    std::map<std::string, int> resources;
    unsigned long pixmapBytes = 0;
    bool operator==(const ServerHoldings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ServerHoldings& holdings) {
    for (const auto& [type, count] : holdings.resources) out << type << " " << count << ", ";
    return out << "pixmap bytes " << holdings.pixmapBytes;
}

ServerHoldings holdingsOfCompositingManager(const TestClient& client) {
    Display* display = client.display();
    const Window owner = XGetSelectionOwner(display, XInternAtom(display, "_NET_WM_CM_S0", False));
    ServerHoldings holdings;
    int count = 0;
    XResType* types = nullptr;
    if (owner == None || !XResQueryClientResources(display, owner, &count, &types)) return holdings;
    for (int i = 0; i < count; ++i) {
        char* name = XGetAtomName(display, types[i].resource_type);
        holdings.resources[name] = types[i].count;
        XFree(name);
    }
    XFree(types);
    XResQueryClientPixmapBytes(display, owner, &holdings.pixmapBytes);
    return holdings;
}

// What the process holds: open descriptors, attached shared memory, memory.
struct ProcessHoldings {
    int descriptors = 0;
    int sharedSegments = 0;
    long residentKb = 0;
};

ProcessHoldings holdingsOfProcess(pid_t pid) {
    ProcessHoldings holdings;
    const std::string proc = std::string("/proc/").append(std::to_string(pid));
    if (DIR* fds = opendir((proc + "/fd").c_str())) {
        while (const dirent* entry = readdir(fds)) holdings.descriptors += entry->d_name[0] != '.';
        closedir(fds);
    }
    std::ifstream maps(proc + "/maps");
    for (std::string line; std::getline(maps, line);) holdings.sharedSegments += line.find("SYSV") != std::string::npos;
    std::ifstream status(proc + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) holdings.residentKb = std::stol(line.substr(6));
    }
    return holdings;
}

// Windows opened, moved, redrawn, restacked and closed, each change given
// time for a refresh, and windows destroyed before sorvel can look at them.
void churn(Scene& scene, TestClient& client, int rounds, unsigned seed) {
    std::mt19937 random(seed);
    const auto coordinate = [&random](int limit) { return static_cast<int>(random() % static_cast<unsigned>(limit)); };
    const auto refresh = [] { std::this_thread::sleep_for(18ms); };
    for (int round = 0; round < rounds; ++round) {
        SceneWindow& window = scene.add({.x = coordinate(700), .y = coordinate(500), .width = 20 + coordinate(300),
                                         .height = 20 + coordinate(200), .content = noise(random()),
                                         .overrideRedirect = round % 2 == 0});
        client.sync();
        refresh();
        window.moveTo(coordinate(700), coordinate(500));
        window.redraw(flat(random() & 0xFFFFFF));
        client.sync();
        refresh();
        scene.lower(window);
        const Window fleeting = XCreateSimpleWindow(client.display(), client.root(), coordinate(700),
                                                    coordinate(500), 50, 50, 1, 0, 0xFF0000);
        XMapWindow(client.display(), fleeting);
        XDestroyWindow(client.display(), fleeting);
        scene.remove(window);
        refresh();
    }
}

TEST_F(SorvelLifecycle, NothingGrowsOverManyRefreshes) {
    auto sorvel = startSorvel(server_.name());
    expectGray("at start");
    churn(scene_, client_, 10, 1);  // first allocations of every kind
    expectGray("after the first changes");
    const ServerHoldings serverBefore = holdingsOfCompositingManager(client_);
    const ProcessHoldings processBefore = holdingsOfProcess(sorvel->pid());
    ASSERT_FALSE(serverBefore.resources.empty());

    churn(scene_, client_, 120, 2);
    expectGray("after many changes");
    const ServerHoldings serverAfter = holdingsOfCompositingManager(client_);
    const ProcessHoldings processAfter = holdingsOfProcess(sorvel->pid());

    EXPECT_EQ(serverAfter, serverBefore);
    EXPECT_EQ(processAfter.descriptors, processBefore.descriptors);
    EXPECT_EQ(processAfter.sharedSegments, processBefore.sharedSegments);
    EXPECT_LE(processAfter.residentKb - processBefore.residentKb, 1024)
        << "resident memory grew from " << processBefore.residentKb << " kB to " << processAfter.residentKb << " kB";
    RecordProperty("resident_growth_kb", static_cast<int>(processAfter.residentKb - processBefore.residentKb));

    sorvel->sendSignal(SIGTERM);
    EXPECT_EQ(sorvel->waitForExit(kShowTimeout), kEnded) << sorvel->errors();
    EXPECT_EQ(sorvel->errors(), "");
}

}  // namespace
}  // namespace velmora::test
