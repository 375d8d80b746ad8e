// Identity document strings: the canonical form, its checks and the key.
#include <cstddef>
#include <cstdint>
#include <string>

#include "register/Cp1251.h"
#include "rules/Documents.h"
#include "support/FuzzCheck.h"

using namespace vrklad;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // As typed in the window (UTF-8).
    std::string doc = input;
    std::string message;
    if (CanonicalDocument(doc, message)) {
        // The canonical form is a fixed point, and its bytes fill the field.
        FUZZ_CHECK(Utf8ToCp1251(doc).size() == 15);
        std::string again = doc;
        FUZZ_CHECK(CanonicalDocument(again, message));
        FUZZ_CHECK(again == doc);
        (void)DocumentKey(doc);
    } else {
        FUZZ_CHECK(!message.empty());
        FUZZ_CHECK(doc == input);  // a refused document is left as it was
    }

    // As read from a record or a table (cp1251 bytes).
    std::string bytes = input;
    if (CanonicalDocumentCp1251(bytes, message)) {
        FUZZ_CHECK(bytes.size() == 15);
        std::string again = bytes;
        FUZZ_CHECK(CanonicalDocumentCp1251(again, message));
        FUZZ_CHECK(again == bytes);
        FUZZ_CHECK(DocumentKeyCp1251(bytes) == DocumentKey(Cp1251ToUtf8(bytes)));
    } else {
        FUZZ_CHECK(!message.empty());
        FUZZ_CHECK(bytes == input);
    }
    (void)DocumentKeyCp1251(input);
    (void)DocumentKey(input);
    (void)RomanToInt(input);

    char field[16] = {};
    for (size_t i = 0; i < sizeof field && i < size; ++i) field[i] = static_cast<char>(data[i]);
    (void)DocumentKeyOfField(field);
    return 0;
}
