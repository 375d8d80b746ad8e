// Incoming archives of any content: the header check that decides whether
// the archiver may run, and the extraction into PRCSSD when it does. Nothing
// may appear anywhere but directly in PRCSSD.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "exchange/Archiver.h"
#include "exchange/ArjListing.h"
#include "support/FuzzCheck.h"
#include "support/FuzzProgramDir.h"

using namespace vrklad;
namespace fs = std::filesystem;

namespace {

std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string name = fs::relative(e.path(), root).string();
        if (e.is_directory() && !e.is_symlink()) name += "/";
        names.insert(name);
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& dir = fuzz::FuzzProgramDir::Fresh();
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "PRCSSD");
    fuzz::FuzzProgramDir::Write(dir / "in" / "ACTUAL.ARJ", data, size);

    const ArjListing listing = ReadArjListing(dir / "in" / "ACTUAL.ARJ");
    if (!listing.ok) FUZZ_CHECK(!listing.error.empty());
    for (const ArjMember& m : listing.members) {
        FUZZ_CHECK(m.storedName.size() >= m.extractName.size());
        FUZZ_CHECK(m.storedName.compare(m.storedName.size() - m.extractName.size(),
                                        std::string::npos, m.extractName) == 0);
    }

    const ExtractResult got =
        ExtractArchive(fuzz::FuzzProgramDir::ProgramDir(), "in/ACTUAL.ARJ", "PRCSSD");
    FUZZ_CHECK(got.refused == !got.run.started);
    if (got.refused) FUZZ_CHECK(!got.refusal.empty());
    FUZZ_CHECK(!got.run.timedOut);
    std::set<std::string> expected = {"in/", "in/ACTUAL.ARJ", "PRCSSD/"};
    for (const std::string& f : got.files) {
        FUZZ_CHECK(f.find('/') == std::string::npos && f.find('\\') == std::string::npos);
        FUZZ_CHECK(f != "." && f != "..");
        expected.insert("PRCSSD/" + f);
    }
    FUZZ_CHECK(Tree(dir) == expected);
    return 0;
}
