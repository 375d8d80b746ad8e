#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "register/Operator.h"

namespace vrklad::test {

// An operator that answers from a script and records everything shown.
// Questions beyond the script get `defaultAnswer`; dialogs beyond it cancel.
class ScriptedOperator : public Operator {
public:
    struct Shown {
        Icon icon;
        std::string text;
        Buttons buttons;
        std::string caption;
    };

    std::deque<Answer> answers;
    Answer defaultAnswer = Answer::No;
    std::deque<uint32_t> codes;
    std::deque<std::optional<OrgItem>> organizations;
    std::deque<std::optional<std::string>> folders;
    std::deque<std::optional<std::string>> openFiles;
    std::deque<std::optional<std::string>> saveFiles;
    bool viewerWorks = true;

    std::vector<Shown> shown;
    std::vector<std::string> viewed;
    std::vector<std::pair<int, bool>> progress;
    std::vector<std::vector<OrgItem>> organizationLists;

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

    // The texts of all message boxes, in order.
    std::vector<std::string> Texts() const;
    // The folder, open and save dialog titles and start folders asked for.
    std::vector<std::string> dialogTitles;
};

}  // namespace vrklad::test
