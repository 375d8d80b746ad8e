#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrklad {

// Everything the core shows to or asks of the person at the keyboard goes
// through this interface: the windows answer with real dialogs, the batch
// tool with its command-line flags, tests with a script. Texts are UTF-8.
class Operator {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, Yes, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };
    enum class Code { Okpo, Agency };

    // One "description|pattern" pair of a file dialog, e.g. {"Файл резервной
    // копии", "*.bkp"}; several patterns are separated by ";".
    struct FileFilter {
        std::string description;
        std::string pattern;
    };

    // One entry of the organization choice: its text and the OKPO it stands for.
    struct OrgItem {
        std::string text;
        uint32_t okpo = 0;
    };

    virtual ~Operator() = default;

    // A modal message box; for Buttons::Ok the answer is Answer::Ok.
    virtual Answer Message(Icon icon, const std::string& text, Buttons buttons = Buttons::Ok,
                           const std::string& caption = {}) = 0;

    // The code input dialog (OKPO: up to 8 digits, agency: up to 3);
    // 0 means cancelled.
    virtual uint32_t AskCode(Code code, uint32_t current) = 0;

    // The organization selection dialog; nothing when cancelled.
    virtual std::optional<OrgItem> ChooseOrganization(const std::vector<OrgItem>& items) = 0;

    virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
    virtual std::optional<std::string> ChooseOpenFile(const std::string& startDir,
                                                      const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>& filters,
                                                      const std::string& defaultSuffix) = 0;

    // Progress of a long loop; the window keeps repainting while it runs.
    virtual void ShowProgress(int percent, bool show) = 0;

    // Opens a text file in the desktop's default viewer, without waiting;
    // false when no viewer could be started.
    virtual bool OpenInViewer(const std::string& path) = 0;

    // Shorthands.
    void Inform(const std::string& text) { Message(Icon::Information, text); }
    void Warn(const std::string& text) { Message(Icon::Warning, text); }
    void Error(const std::string& text) { Message(Icon::Error, text); }
    void Plain(const std::string& text) { Message(Icon::None, text); }
    bool AskYesNo(Icon icon, const std::string& text) {
        return Message(icon, text, Buttons::YesNo) == Answer::Yes;
    }
};

}  // namespace vrklad
