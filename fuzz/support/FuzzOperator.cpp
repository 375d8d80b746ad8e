#include "support/FuzzOperator.h"

#include "support/FuzzCheck.h"

namespace vrklad::fuzz {

Operator::Answer FuzzOperator::Message(Icon, const std::string& text, Buttons buttons,
                                       const std::string&) {
    // An empty message box tells the user nothing.
    FUZZ_CHECK(!text.empty());
    texts.push_back(text);
    if (buttons == Buttons::Ok) return Answer::Ok;
    if (buttons == Buttons::Yes) return Answer::Yes;
    return answer;
}

uint32_t FuzzOperator::AskCode(Code code, uint32_t) {
    return code == Code::Okpo ? okpoCode : agencyCode;
}

std::optional<Operator::OrgItem> FuzzOperator::ChooseOrganization(const std::vector<OrgItem>&) {
    return std::nullopt;
}

std::optional<std::string> FuzzOperator::ChooseFolder(const std::string&) { return std::nullopt; }

std::optional<std::string> FuzzOperator::ChooseOpenFile(const std::string&,
                                                        const std::vector<FileFilter>&) {
    return std::nullopt;
}

std::optional<std::string> FuzzOperator::ChooseSaveFile(const std::vector<FileFilter>&,
                                                        const std::string&) {
    return std::nullopt;
}

void FuzzOperator::ShowProgress(int percent, bool) { FUZZ_CHECK(percent >= 0 && percent <= 100); }

bool FuzzOperator::OpenInViewer(const std::string&) { return true; }

}  // namespace vrklad::fuzz
