// mirovan-devsim: plays the MirovanLE for the control panel (serve), and controls the one
// that is being served (every other sub-command).

#include <pthread.h>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "devsim/Command.h"
#include "devsim/DeviceModel.h"
#include "devsim/Server.h"
#include "platform/sim/SimulatorSocket.h"

namespace {

int Serve(const std::vector<std::string>& args, const std::string& path) {
    devsim::DeviceModelOptions options;
    for (size_t i = 1; i < args.size(); i += 2) {
        uint64_t value = 0;
        if (i + 1 >= args.size()) {
            std::cerr << "mirovan-devsim: " << args[i] << " needs a value\n"
                      << devsim::CommandUsage();
            return 1;
        }
        if (args[i] == "--firmware" && platform::ParseUnsigned(args[i + 1], 0xFFFF, &value)) {
            options.firmwareBuild = static_cast<uint16_t>(value);
        } else if (args[i] == "--rate" && platform::ParseUnsigned(args[i + 1], 10000000, &value) &&
                   devsim::IsSupportedRate(double(value))) {
            options.powerOnRate = static_cast<uint32_t>(value);
        } else {
            std::cerr << "mirovan-devsim: bad option " << args[i] << " " << args[i + 1] << "\n"
                      << devsim::CommandUsage();
            return 1;
        }
    }

    // The signals are taken by sigwait below, so every thread must have them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    devsim::DeviceModel model(options);
    devsim::Server server(model);
    std::string error;
    if (!server.Start(path, &error)) {
        std::cerr << "mirovan-devsim: " << error << "\n";
        return 1;
    }
    std::cout << "serving MirovanLE (firmware build " << options.firmwareBuild << ", "
              << options.powerOnRate << " Hz) at " << path << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    std::cout << "stopped" << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string path = platform::SimulatorSocketPath();
    if (!args.empty() && args[0] == "serve") return Serve(args, path);
    return devsim::RunControlCommand(args, path, std::cout, std::cerr);
}
