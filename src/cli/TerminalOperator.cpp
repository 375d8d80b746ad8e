#include "cli/TerminalOperator.h"

#include <algorithm>
#include <ostream>

namespace vrklad {
namespace {

// The question whether to move an exchange archive to removable media, as
// the exports ask it.
constexpr const char* kRemovableMedia = "на сменный носитель";

// One line per message: the caption, when there is one, leads.
std::string MessageLine(const std::string& caption, const std::string& text) {
    if (caption.empty()) return text;
    const char last = caption.back();
    const bool punctuated = last == '!' || last == '.' || last == ':' || last == '?';
    return caption + (punctuated ? " " : ": ") + text;
}

const char* AnswerText(Operator::Answer answer) {
    switch (answer) {
        case Operator::Answer::Yes:
            return "Да";
        case Operator::Answer::No:
            return "Нет";
        case Operator::Answer::Cancel:
            return "Отмена";
        case Operator::Answer::Ok:
            break;
    }
    return "OK";
}

template <typename T>
std::optional<T> Take(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

}  // namespace

TerminalOperator::TerminalOperator(std::ostream& out, std::ostream& err, bool showProgress)
    : m_out(out), m_err(err), m_showProgress(showProgress) {}

Operator::Answer TerminalOperator::Message(Icon icon, const std::string& text, Buttons buttons,
                                           const std::string& caption) {
    const std::string line = MessageLine(caption, text);
    if (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) {
        const Answer answer = AnswerQuestion(text);
        m_err << line << " — " << AnswerText(answer) << std::endl;
        return answer;
    }
    const bool problem = icon == Icon::Warning || icon == Icon::Error;
    if (problem) ++m_problems;
    (problem ? m_err : m_out) << line << std::endl;
    return buttons == Buttons::Yes ? Answer::Yes : Answer::Ok;
}

Operator::Answer TerminalOperator::AnswerQuestion(const std::string& text) {
    if (text.find(kRemovableMedia) != std::string::npos) {
        return m_folder ? Answer::Yes : Answer::No;
    }
    if (const auto it = m_answers.find(text); it != m_answers.end()) return it->second;
    if (m_confirmNext) {
        m_confirmNext = false;
        return Answer::Yes;
    }
    return m_assumeYes ? Answer::Yes : Answer::No;
}

bool TerminalOperator::CodeTextAcceptable(Code code, const std::string& digits) {
    const size_t maxLength = code == Code::Okpo ? 8 : 3;
    return digits.size() + 2 >= maxLength && digits.size() <= maxLength &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

uint32_t TerminalOperator::AskCode(Code code, uint32_t) {
    m_codeAsked = true;
    const char* option = code == Code::Okpo ? "--okpo" : "--agency";
    const auto it = m_codes.find(code);
    if (it == m_codes.end()) {
        Error(std::string(code == Code::Okpo ? "Не задан код ОКПО" : "Не задан код агенства") +
              " (" + option + ").");
        return 0;
    }
    if (!CodeTextAcceptable(code, it->second)) {
        Error(std::string(code == Code::Okpo ? "Код ОКПО — от 6 до 8 цифр"
                                             : "Код агенства — от 1 до 3 цифр") +
              " (" + option + " " + it->second + ").");
        return 0;
    }
    return static_cast<uint32_t>(std::stoul(it->second));
}

std::optional<Operator::OrgItem> TerminalOperator::ChooseOrganization(
    const std::vector<OrgItem>& items) {
    if (!m_organization) return std::nullopt;
    for (const OrgItem& item : items) {
        if (item.okpo == *m_organization) return item;
    }
    Error("Организации с кодом ОКПО " + std::to_string(*m_organization) + " нет в списке.");
    return std::nullopt;
}

std::optional<std::string> TerminalOperator::ChooseFolder(const std::string&) { return m_folder; }

std::optional<std::string> TerminalOperator::ChooseOpenFile(const std::string&,
                                                            const std::vector<FileFilter>&) {
    return Take(m_openFiles);
}

std::optional<std::string> TerminalOperator::ChooseSaveFile(const std::vector<FileFilter>&,
                                                            const std::string&) {
    return Take(m_saveFiles);
}

void TerminalOperator::ShowProgress(int percent, bool show) {
    if (!m_showProgress) return;
    if (show) {
        if (percent == m_shownPercent) return;
        m_shownPercent = percent;
        m_err << "\rОбработано " << percent << "%" << std::flush;
    } else if (m_shownPercent >= 0) {
        m_shownPercent = -1;
        m_err << "\r\033[K" << std::flush;
    }
}

bool TerminalOperator::OpenInViewer(const std::string& path) {
    m_out << path << std::endl;
    return true;
}

}  // namespace vrklad
