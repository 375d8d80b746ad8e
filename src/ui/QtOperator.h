#pragma once

#include "register/Operator.h"

namespace vrklad {

class TForm1;

// The operator of the desktop program: real message boxes and dialogs over
// the main window. The only place of the program that opens QMessageBox or
// QFileDialog.
class QtOperator : public Operator {
public:
    explicit QtOperator(TForm1& mainForm);

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

private:
    TForm1& m_mainForm;
};

}  // namespace vrklad
