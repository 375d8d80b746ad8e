#pragma once

#include <cstdint>
#include <string>

#include "register/RecordDate.h"

namespace vrklad {

// The issue details of one identity document, kept beside the register
// because the learner record has no room for them. Texts are UTF-8.
struct DocumentDetails {
    RecordDate issueDate;  // zero when no date was given
    std::string issuer;
    int32_t issuerCode = 0;
    std::string placeOfBirth;

    friend bool operator==(const DocumentDetails&, const DocumentDetails&) = default;
};

}  // namespace vrklad
