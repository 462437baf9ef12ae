// mirovan-testbed: an emulated kernel with a MirovanLE plugged in, for running the whole
// program on the Linux bus. It prints the testbed's folder (start the program with
// LD_PRELOAD=libumockdev-preload.so.0 and UMOCKDEV_DIR set to it) and serves the device model
// on the simulator's control socket, so that mirovan-devsim reads its registers and its
// write log, and `unplug`, `plug` and `power-cycle` become hot-plug on the emulated bus.
// SIGUSR1 resets the bus (another device plugged in), SIGUSR2 pulls the cable and plugs it
// back at once, SIGHUP prints how many requests and calls the device's node has served. Runs until
// SIGTERM or SIGINT.

#include <pthread.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <string>
#include <thread>

#include "devsim/DeviceModel.h"
#include "devsim/Server.h"
#include "platform/sim/SimulatorSocket.h"
#include "tests/linux/testbed/EmulatedMirovan.h"
#include "tests/linux/testbed/Testbed.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
volatile std::sig_atomic_t gBusResets = 0;
volatile std::sig_atomic_t gQuickReplugs = 0;
volatile std::sig_atomic_t gCountsAsked = 0;

void Stop(int) {
    gStop = 1;
}
void ResetBus(int) {
    gBusResets = gBusResets + 1;
}
void QuickReplug(int) {
    gQuickReplugs = gQuickReplugs + 1;
}
void AskCounts(int) {
    gCountsAsked = gCountsAsked + 1;
}

}  // namespace

int main(int, char** argv) {
    std::string why;
    if (!testbed::RunUnderPreload(argv, &why)) {
        std::cerr << "mirovan-testbed: " << why << "\n";
        return 77;
    }
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGUSR1, ResetBus);
    std::signal(SIGUSR2, QuickReplug);
    std::signal(SIGHUP, AskCounts);

    devsim::DeviceModel model;
    testbed::Testbed bed;
    testbed::EmulatedMirovan mirovan(bed, model);
    devsim::Server server(model);
    std::string error;
    if (!server.Start(platform::SimulatorSocketPath(), &error)) {
        std::cerr << "mirovan-testbed: " << error << "\n";
        return 1;
    }
    std::cout << bed.Root() << std::endl;

    // The model's plug state, changed through the control socket, is the cable.
    uint64_t plug = model.Presence().generation;
    bool plugged = model.IsPlugged();
    int resets = 0, replugs = 0, counts = 0;
    while (!gStop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // As the kernel does it: the reset's event comes after the node's ROM was read again.
        for (; resets < gBusResets; ++resets)
            if (mirovan.Node()) mirovan.Node()->BusReset(std::chrono::milliseconds(500));
        for (; replugs < gQuickReplugs; ++replugs) mirovan.QuickReplug();
        for (; counts < gCountsAsked; ++counts)
            std::cerr << "on " << mirovan.Devnode() << ": requests "
                      << (mirovan.Node() ? mirovan.Node()->Requests() : 0) << " calls "
                      << (mirovan.Node() ? mirovan.Node()->Calls() : 0) << std::endl;
        const platform::BusPresence now = model.Presence();
        if (now.fireWirePresent == plugged && now.generation == plug) continue;
        if (plugged) mirovan.Unplug();
        if (now.fireWirePresent) mirovan.Plug();
        plugged = now.fireWirePresent;
        plug = now.generation;
    }
    server.Stop();
    return 0;
}
