// vrklad_generate: writes a ProgramDir with a realistic district register of
// a given size, and optionally the exchange table and a ".act" record file
// for the same learners.
//
//   vrklad_generate --records N --out DIR [--table FILE] [--act FILE]
//                   [--organizations K] [--seed S] [--schema FILE]

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "RegisterGenerator.h"
#include "exchange/ExchangeFile.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: vrklad_generate --records N --out DIR [--table FILE] [--act FILE]\n"
                 "                       [--organizations K] [--seed S] [--schema FILE]\n"
                 "  --records N        learners in the register, 0 to 65535\n"
                 "  --out DIR          the ProgramDir to write (must hold no register yet)\n"
                 "  --table FILE       also the 15-column exchange table of these learners\n"
                 "  --act FILE         also a record file of them, every other one changed today\n"
                 "  --organizations K  schools of the district, 1 to 100 (40)\n"
                 "  --seed S           the same seed gives the same register (1)\n"
                 "  --schema FILE      the details database script (db/Additional.sql)\n");
}

bool ReadNumber(const char* text, unsigned long max, uint32_t& out) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != 0 || value > max) return false;
    out = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    vrklad::bench::GeneratorOptions options;
    bool haveRecords = false;
    fs::path out;
    fs::path table;
    fs::path act;
    fs::path schema = fs::path(VRKLAD_SOURCE_DIR) / "db" / "Additional.sql";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value == nullptr) {
            Usage();
            return 2;
        }
        ++i;
        bool ok = true;
        if (arg == "--records") {
            ok = ReadNumber(value, 65535, options.records);
            haveRecords = ok;
        } else if (arg == "--organizations") {
            ok = ReadNumber(value, 100, options.organizations) && options.organizations > 0;
        } else if (arg == "--seed") {
            ok = ReadNumber(value, 0xFFFFFFFFul, options.seed);
        } else if (arg == "--out") {
            out = value;
        } else if (arg == "--table") {
            table = value;
        } else if (arg == "--act") {
            act = value;
        } else if (arg == "--schema") {
            schema = value;
        } else {
            ok = false;
        }
        if (!ok) {
            Usage();
            return 2;
        }
    }
    if (!haveRecords || out.empty()) {
        Usage();
        return 2;
    }

    try {
        const vrklad::bench::RegisterGenerator gen(options);
        std::string error;
        if (!vrklad::bench::WriteProgramDir(gen, out, schema, error) ||
            (!table.empty() && !vrklad::bench::WriteTable(gen, table, error)) ||
            (!act.empty() && !vrklad::WriteExchangeFile(act, gen.ChangedHalf(), error))) {
            std::fprintf(stderr, "vrklad_generate: %s\n", error.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vrklad_generate: %s\n", e.what());
        return 1;
    }
    return 0;
}
