#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "register/Operator.h"

namespace vrklad::fuzz {

// An operator without a person: every question is answered "No" or
// cancelled, codes are the ones given, and what the core shows is checked
// for the things a user could never make sense of.
class FuzzOperator : public Operator {
public:
    uint32_t okpoCode = 0;
    uint32_t agencyCode = 0;
    Answer answer = Answer::No;

    std::vector<std::string> texts;

    Answer Message(Icon icon, const std::string& text, Buttons buttons,
                   const std::string& caption) override;
    uint32_t AskCode(Code code, uint32_t current) override;
    std::optional<OrgItem> ChooseOrganization(const std::vector<OrgItem>& items) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    std::optional<std::string> ChooseOpenFile(const std::string& startDir,
                                              const std::vector<FileFilter>& filters) override;
    std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>& filters,
                                              const std::string& defaultSuffix) override;
    void ShowProgress(int percent, bool show) override;
    bool OpenInViewer(const std::string& path) override;
};

}  // namespace vrklad::fuzz
