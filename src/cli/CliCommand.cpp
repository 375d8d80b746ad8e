#include "cli/CliCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vrklad {
namespace {

// Built on first use, so that registrars in other files may run first.
std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

}  // namespace

bool RegisterCliCommand(CliCommand command) {
    auto& commands = Registry();
    if (FindCliCommand(command.name) != nullptr || !command.run) {
        std::fprintf(stderr, "vrklad-cli: command \"%s\" registered twice or without handler\n",
                     command.name.c_str());
        std::abort();
    }
    const auto at = std::lower_bound(
        commands.begin(), commands.end(), command.name,
        [](const CliCommand& c, const std::string& name) { return c.name < name; });
    commands.insert(at, std::move(command));
    return true;
}

const std::vector<CliCommand>& CliCommands() { return Registry(); }

const CliCommand* FindCliCommand(const std::string& name) {
    for (const CliCommand& c : Registry()) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

}  // namespace vrklad
