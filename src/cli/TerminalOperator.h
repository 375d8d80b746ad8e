#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "register/Operator.h"

namespace vrklad {

// The operator of the batch tool: messages are printed (information to
// standard output, warnings and errors to standard error), and questions and
// dialogs are answered from the command line instead of a person.
//
// Questions (Yes/No, Yes/No/Cancel), in this order of precedence:
// 1. A question whether to move a file to removable media ("... на сменный
//    носитель?") is answered Yes when a folder was given (SetFolder, the
//    option --to), No otherwise, whatever --yes says.
// 2. A question given a fixed answer (SetAnswer) gets it. The confirmation
//    that opens the operation a command names is declared by the command
//    with ExpectConfirmation(text), or, for a text that varies, with
//    ConfirmNextQuestion() right before the operation runs.
// 3. Every other question is answered No, or Yes with --yes.
// Each question is printed to standard error with the answer given.
class TerminalOperator : public Operator {
public:
    TerminalOperator(std::ostream& out, std::ostream& err, bool showProgress);

    void SetAssumeYes(bool yes) { m_assumeYes = yes; }
    void ExpectConfirmation(const std::string& text) { SetAnswer(text, Answer::Yes); }
    void ConfirmNextQuestion() { m_confirmNext = true; }
    void SetAnswer(const std::string& text, Answer answer) { m_answers[text] = answer; }

    // The folder that answers the folder dialog: --to, or a command's own
    // directory argument. Without it the dialog is cancelled.
    void SetFolder(const std::string& folder) { m_folder = folder; }

    // The digits that answer the code input dialog. They are taken as the
    // dialog would take them (OKPO 6 to 8 digits, agency code 1 to 3);
    // without them, or when the dialog could not accept them, it is
    // cancelled with a message.
    void SetCode(Code code, const std::string& digits) { m_codes[code] = digits; }
    bool CodeAsked() const { return m_codeAsked; }

    // The open and save dialogs take these paths in turn; when none is left
    // they are cancelled.
    void AddOpenFile(const std::string& path) { m_openFiles.push_back(path); }
    void AddSaveFile(const std::string& path) { m_saveFiles.push_back(path); }

    // The organization choice takes the entry of this OKPO; without it, or
    // when no entry has it, the choice is cancelled.
    void SetOrganization(uint32_t okpo) { m_organization = okpo; }

    // Warnings and errors shown with only an OK button so far: what stops an
    // operation. Questions do not count.
    int Problems() const { return m_problems; }

    Answer Message(Icon icon, const std::string& text, Buttons buttons,
                   const std::string& caption) override;
    uint32_t AskCode(Code code, uint32_t current) override;
    std::optional<OrgItem> ChooseOrganization(const std::vector<OrgItem>& items) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    std::optional<std::string> ChooseOpenFile(const std::string& startDir,
                                              const std::vector<FileFilter>& filters) override;
    std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>& filters,
                                              const std::string& defaultSuffix) override;
    // Shown on standard error only when that is a terminal.
    void ShowProgress(int percent, bool show) override;
    // Prints the file's path on standard output instead.
    bool OpenInViewer(const std::string& path) override;

    // Whether the code dialog would accept the text: digits only, of the
    // lengths its "Готово" button allows.
    static bool CodeTextAcceptable(Code code, const std::string& digits);

private:
    Answer AnswerQuestion(const std::string& text);

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_showProgress;
    int m_shownPercent = -1;

    bool m_assumeYes = false;
    bool m_confirmNext = false;
    std::map<std::string, Answer> m_answers;
    std::optional<std::string> m_folder;
    std::map<Code, std::string> m_codes;
    bool m_codeAsked = false;
    std::deque<std::string> m_openFiles;
    std::deque<std::string> m_saveFiles;
    std::optional<uint32_t> m_organization;
    int m_problems = 0;
};

}  // namespace vrklad
