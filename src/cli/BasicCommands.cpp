// The first commands of the batch tool: the first start, the register check
// and the learner list.
#include <iostream>
#include <vector>

#include "cli/CliCommand.h"
#include "exchange/LearnerList.h"
#include "register/ChangeCodes.h"
#include "register/Checksum.h"
#include "register/TextFile.h"

namespace vrklad {
namespace {

// A mismatching trailer: the register is left as it was found.
constexpr int kExitChecksumMismatch = 3;

std::string ValidateInit(const CliArguments& args) {
    const auto okpo = args.Value("--okpo");
    const auto agency = args.Value("--agency");
    if (okpo.has_value() != agency.has_value()) {
        return "коды --okpo и --agency указываются вместе";
    }
    if (okpo && !TerminalOperator::CodeTextAcceptable(Operator::Code::Okpo, *okpo)) {
        return "код ОКПО — от 6 до 8 цифр";
    }
    if (agency && !TerminalOperator::CodeTextAcceptable(Operator::Code::Agency, *agency)) {
        return "код агенства — от 1 до 3 цифр";
    }
    return {};
}

// The codes answer the code dialogue of the first start; a district
// installation asks none.
int Init(CliContext& ctx) {
    if (ctx.Args().Has("--okpo") && !ctx.Op().CodeAsked()) {
        std::cerr << "Установка работает в режиме района: коды --okpo и --agency не запрашивались."
                  << std::endl;
    }
    return kExitDone;
}

// Start-up has verified the trailer already, as it does for every run.
int Check(CliContext& ctx) {
    Session& session = ctx.GetSession();
    if (session.ChecksumMismatch()) {
        // The evidence stays: no fresh trailer at exit.
        session.SetSealOnExit(false);
        return kExitChecksumMismatch;
    }
    if (session.Register().FileSize() <= 6) {
        ctx.Op().Inform("Файл данных " + session.RegisterName() +
                        " не длиннее 6 байт: контрольная сумма не проверяется");
    } else {
        ctx.Op().Inform("Файл данных " + session.RegisterName() +
                        ": контрольная сумма совпадает с расчетной");
    }
    return kExitDone;
}

std::string ValidateList(const CliArguments& args) {
    if (const auto okpo = args.Value("--okpo"); okpo && !ParseDecimal(*okpo)) {
        return "код ОКПО — десятичное число";
    }
    if (const auto out = args.Value("--out"); out && out->empty()) {
        return "для параметра --out не указан файл";
    }
    return {};
}

// The active records, as the record list shows them, in register order.
int List(CliContext& ctx) {
    Session& session = ctx.GetSession();
    const std::optional<uint32_t> okpo =
        ctx.Args().Has("--okpo") ? ParseDecimal(*ctx.Args().Value("--okpo")) : std::nullopt;
    const std::vector<StudentRecord> records = session.Register().ReadAll();
    std::vector<uint16_t> rows;
    rows.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        if (IsExcludedByBits(records[i].LastChange)) continue;
        if (okpo && records[i].OKPO != *okpo) continue;
        rows.push_back(static_cast<uint16_t>(i));
    }
    if (const auto out = ctx.Args().Value("--out")) {
        return ctx.Run([&] {
            return ExportLearnerList(*out, session.Register(), rows, session.Details(), ctx.Op());
        });
    }
    const std::vector<std::string> lines =
        LearnerListLines(session.Register(), rows, session.Details());
    ctx.Out() << TextFileBytes(lines) << std::flush;
    if (!ctx.Out()) return ctx.Fail("Не удалось вывести список учащихся");
    return kExitDone;
}

const bool kInitRegistered = RegisterCliCommand({
    .name = "init",
    .synopsis = "[--okpo N --agency N]",
    .summary = "первый запуск: настроить программу на организацию с этими кодами ОКПО и "
               "агенства и создать пустой файл данных (в режиме района коды не нужны)",
    .valueOptions = {"--okpo", "--agency"},
    .needs = CliCommand::Needs::FirstStart,
    .validate = ValidateInit,
    .run = Init,
});

const bool kCheckRegistered = RegisterCliCommand({
    .name = "check",
    .summary = "проверить контрольную сумму файла данных (код завершения 3 — не совпадает; "
               "файл тогда не изменяется)",
    .run = Check,
});

const bool kListRegistered = RegisterCliCommand({
    .name = "list",
    .synopsis = "[--okpo N] [--out ФАЙЛ]",
    .summary = "список учащихся (cp1251, с разделителями «;») всех действующих записей или "
               "одной организации — в стандартный вывод или в ФАЙЛ",
    .valueOptions = {"--okpo", "--out"},
    .targetOptions = {"--out"},
    .validate = ValidateList,
    .run = List,
});

}  // namespace
}  // namespace vrklad
