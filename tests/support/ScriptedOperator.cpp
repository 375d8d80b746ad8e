#include "support/ScriptedOperator.h"

namespace vrklad::test {
namespace {

template <typename T>
T Pop(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = queue.front();
    queue.pop_front();
    return value;
}

}  // namespace

Operator::Answer ScriptedOperator::Message(Icon icon, const std::string& text, Buttons buttons,
                                           const std::string& caption) {
    shown.push_back({icon, text, buttons, caption});
    if (buttons == Buttons::Ok) return Answer::Ok;
    if (buttons == Buttons::Yes) return Answer::Yes;
    return Pop(answers, defaultAnswer);
}

uint32_t ScriptedOperator::AskCode(Code, uint32_t) { return Pop(codes, uint32_t{0}); }

std::optional<Operator::OrgItem> ScriptedOperator::ChooseOrganization(
    const std::vector<OrgItem>& items) {
    organizationLists.push_back(items);
    return Pop(organizations, std::optional<OrgItem>{});
}

std::optional<std::string> ScriptedOperator::ChooseFolder(const std::string& title) {
    dialogTitles.push_back(title);
    return Pop(folders, std::optional<std::string>{});
}

std::optional<std::string> ScriptedOperator::ChooseOpenFile(const std::string& startDir,
                                                            const std::vector<FileFilter>&) {
    dialogTitles.push_back(startDir);
    return Pop(openFiles, std::optional<std::string>{});
}

std::optional<std::string> ScriptedOperator::ChooseSaveFile(const std::vector<FileFilter>&,
                                                            const std::string&) {
    return Pop(saveFiles, std::optional<std::string>{});
}

void ScriptedOperator::ShowProgress(int percent, bool show) { progress.emplace_back(percent, show); }

bool ScriptedOperator::OpenInViewer(const std::string& path) {
    viewed.push_back(path);
    return viewerWorks;
}

std::vector<std::string> ScriptedOperator::Texts() const {
    std::vector<std::string> texts;
    for (const auto& s : shown) texts.push_back(s.text);
    return texts;
}

}  // namespace vrklad::test
