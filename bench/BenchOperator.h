#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "register/Operator.h"

namespace vrklad::bench {

// The person at the keyboard during a measured run: answers questions from
// a queue (then No), cancels every dialog, opens no viewer (and says it
// did), and keeps the errors and warnings shown so that a run that went
// wrong is not reported as a time.
class BenchOperator : public Operator {
public:
    std::deque<Answer> answers;
    std::vector<std::string> problems;

    Answer Message(Icon icon, const std::string& text, Buttons buttons,
                   const std::string&) override {
        if (icon == Icon::Error || icon == Icon::Warning) problems.push_back(text);
        if (buttons == Buttons::Ok) return Answer::Ok;
        if (answers.empty()) return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    uint32_t AskCode(Code, uint32_t) override { return 0; }
    std::optional<OrgItem> ChooseOrganization(const std::vector<OrgItem>&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile(const std::string&,
                                              const std::vector<FileFilter>&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>&,
                                              const std::string&) override {
        return std::nullopt;
    }
    void ShowProgress(int, bool) override {}
    bool OpenInViewer(const std::string&) override { return true; }

    // The problems shown so far, one per line; empty when none.
    std::string Problems() const {
        std::string all;
        for (const std::string& p : problems) all += p + "\n";
        return all;
    }
};

}  // namespace vrklad::bench
