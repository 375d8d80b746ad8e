#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "cli/TerminalOperator.h"
#include "session/Session.h"

namespace vrklad {

// Exit statuses shared by every command.
inline constexpr int kExitDone = 0;     // the operation ran to its end
inline constexpr int kExitStopped = 1;  // it stopped on an error or a warning
inline constexpr int kExitUsage = 2;    // the command line is wrong

// The command line as parsed: the common options, the command, its options
// and its positional arguments.
struct CliArguments {
    std::filesystem::path programDir;
    bool yes = false;
    bool help = false;
    bool dryRun = false;  // --dry-run: run on a throwaway copy and tell what would change
    std::string command;
    std::map<std::string, std::string> values;  // "--okpo" → "123"
    std::set<std::string> flags;                // "--with-program"
    std::vector<std::string> positional;

    bool Has(const std::string& option) const {
        return values.count(option) != 0 || flags.count(option) != 0;
    }
    std::optional<std::string> Value(const std::string& option) const {
        const auto it = values.find(option);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
};

// A decimal number of 1 to `maxDigits` digits that fits in 32 bits, or nothing.
std::optional<uint32_t> ParseDecimal(const std::string& text, size_t maxDigits = 10);

// What a command's handler works with: the session after start-up, the
// terminal operator, the parsed arguments and standard output.
class CliContext {
public:
    CliContext(Session& session, TerminalOperator& op, const CliArguments& args, std::ostream& out)
        : m_session(session), m_op(op), m_args(args), m_out(out) {}

    Session& GetSession() { return m_session; }
    TerminalOperator& Op() { return m_op; }
    const CliArguments& Args() const { return m_args; }
    // Standard output, for data a command writes there (bytes as they are).
    std::ostream& Out() { return m_out; }

    // Runs a core operation and gives the exit status: one that returns bool
    // ran to its end when it returns true; one that returns nothing, when it
    // showed no warning or error box while it ran.
    template <typename Operation>
    int Run(Operation&& operation) {
        if constexpr (std::is_same_v<std::invoke_result_t<Operation>, void>) {
            const int before = m_op.Problems();
            operation();
            return m_op.Problems() > before ? kExitStopped : kExitDone;
        } else {
            return operation() ? kExitDone : kExitStopped;
        }
    }

    // Shows the error through the operator; kExitStopped.
    int Fail(const std::string& text) {
        m_op.Error(text);
        return kExitStopped;
    }

private:
    Session& m_session;
    TerminalOperator& m_op;
    const CliArguments& m_args;
    std::ostream& m_out;
};

}  // namespace vrklad
