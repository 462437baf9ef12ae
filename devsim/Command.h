#pragma once
// The mirovan-devsim command's control sub-commands: each sends one request to the simulator
// at the socket path and prints the answer as plain lines. `serve` lives in the command's main.

#include <ostream>
#include <string>
#include <vector>

namespace devsim {

// Runs one sub-command (args without the program name). Prints its lines on out and returns
// 0, or prints one error line on err and returns 1.
int RunControlCommand(const std::vector<std::string>& args, const std::string& socketPath,
                      std::ostream& out, std::ostream& err);

// The usage text, one sub-command a line.
const char* CommandUsage();

}  // namespace devsim
