#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cli/CliContext.h"

namespace vrklad {

// One command of the batch tool. A group of commands lives in its own file
// src/cli/<Group>Commands.cpp and adds itself with a static registrar; the
// tool is built from every file there, so nothing else is edited:
//
//     const bool kBackupRegistered = RegisterCliCommand({
//         .name = "backup",
//         .summary = "создать копию БД",
//         .run = [](CliContext& ctx) {
//             ctx.Op().ExpectConfirmation("...");  // the question the operation opens with
//             return ctx.Run([&] { return MakeBackup(ctx.GetSession(), ctx.Op()); });
//         },
//     });
//
// The tool runs the program's start-up before the handler and its exit
// sequence after it, so a handler only calls the operation. Declared options
// the tool applies itself: "--to" answers the folder dialog (and the question
// about removable media), "--okpo" and "--agency" the code dialog.
struct CliCommand {
    // What a command needs from the start-up before its handler runs.
    enum class Needs {
        Register,       // a configured installation with a usable register
        Configuration,  // a configured installation; the register may be missing
        FirstStart,     // an installation not configured yet (init)
    };

    static constexpr size_t kAnyCount = static_cast<size_t>(-1);

    std::string name = {};
    // Arguments and options for the usage, e.g. "[--okpo N] [--out ФАЙЛ]".
    std::string synopsis = {};
    // What the command does, in Russian, for the usage.
    std::string summary = {};
    // Options taking a value ("--okpo", "--to") and options without one
    // ("--with-program"), accepted after the command's name.
    std::vector<std::string> valueOptions = {};
    std::vector<std::string> flagOptions = {};
    // How many positional arguments it takes.
    size_t minArguments = 0;
    size_t maxArguments = 0;  // kAnyCount: no limit
    Needs needs = Needs::Register;
    // For --dry-run, the arguments that name files and folders outside
    // ProgramDir: the folders and files the command writes (an export's
    // target, a copy's directory, an output file) and the files it only
    // reads (incoming files, a backup to restore). Each is copied so that
    // the command runs on the copy; what it does to a written one is shown.
    // "--to" is a written folder for every command. Positional arguments go
    // by index, kAnyCount standing for all of them. An undeclared argument
    // naming an existing file is taken as read, one naming an existing
    // folder as written.
    std::vector<std::string> targetOptions = {};
    std::vector<size_t> targetArguments = {};
    std::vector<std::string> inputOptions = {};
    std::vector<size_t> inputArguments = {};
    // Checks the arguments before anything runs; a non-empty text is a usage
    // error (exit status 2).
    std::function<std::string(const CliArguments&)> validate = {};
    // Runs after a start-up that gave what `needs` asks for; returns the
    // exit status (kExitDone, kExitStopped or one of the command's own).
    std::function<int(CliContext&)> run = {};
};

// Adds a command; a name already taken is a programming error and aborts.
// Returns true, for a static registrar.
bool RegisterCliCommand(CliCommand command);

// Every command, by name.
const std::vector<CliCommand>& CliCommands();
const CliCommand* FindCliCommand(const std::string& name);

}  // namespace vrklad
