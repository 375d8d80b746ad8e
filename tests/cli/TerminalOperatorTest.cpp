#include <gtest/gtest.h>

#include <sstream>

#include "cli/TerminalOperator.h"

namespace vrklad {
namespace {

using Answer = Operator::Answer;
using Buttons = Operator::Buttons;
using Icon = Operator::Icon;

constexpr const char* kOpening = "Создать файл с актуальными записями?";
constexpr const char* kMedia =
    "Файл актуальных записей сформирован. Желаете выгрузить файл на сменный носитель?";
constexpr const char* kOther = "Добавить файлы программы в каталог с БД?";

TEST(TerminalOperator, AnswersQuestionsFromTheCommandLine) {
    const struct {
        const char* name;
        const char* text;
        Buttons buttons;
        bool yes;
        bool folder;
        Answer answer;
    } cases[] = {
        {"opening confirmation", kOpening, Buttons::YesNo, false, false, Answer::Yes},
        {"other question", kOther, Buttons::YesNo, false, false, Answer::No},
        {"other question, --yes", kOther, Buttons::YesNo, true, false, Answer::Yes},
        {"three buttons", kOther, Buttons::YesNoCancel, false, false, Answer::No},
        {"three buttons, --yes", kOther, Buttons::YesNoCancel, true, false, Answer::Yes},
        {"media without --to", kMedia, Buttons::YesNo, false, false, Answer::No},
        {"media without --to, --yes", kMedia, Buttons::YesNo, true, false, Answer::No},
        {"media with --to", kMedia, Buttons::YesNo, false, true, Answer::Yes},
        {"only a Yes button", kOther, Buttons::Yes, false, false, Answer::Yes},
        {"only OK", kOther, Buttons::Ok, true, false, Answer::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream out, err;
        TerminalOperator op(out, err, false);
        op.ExpectConfirmation(kOpening);
        op.SetAssumeYes(c.yes);
        if (c.folder) op.SetFolder("/media/usb");

        EXPECT_EQ(op.Message(Icon::Question, c.text, c.buttons, {}), c.answer);
        EXPECT_EQ(op.Problems(), 0);
    }
}

TEST(TerminalOperator, ConfirmsOnlyTheNextQuestion) {
    std::ostringstream out, err;
    TerminalOperator op(out, err, false);
    op.ConfirmNextQuestion();
    EXPECT_TRUE(op.AskYesNo(Icon::Question, "Удалить организацию 123?"));
    EXPECT_FALSE(op.AskYesNo(Icon::Question, "Удалить организацию 123?"));
    EXPECT_EQ(err.str(), "Удалить организацию 123? — Да\nУдалить организацию 123? — Нет\n");
    EXPECT_EQ(out.str(), "");
}

TEST(TerminalOperator, PrintsMessagesByKind) {
    const struct {
        Icon icon;
        const char* caption;
        bool toErr;
        std::string line;
    } cases[] = {
        {Icon::Information, "", false, "Готово"},
        {Icon::None, "", false, "Готово"},
        {Icon::Warning, "Предупреждение", true, "Предупреждение: Готово"},
        {Icon::Error, "Внимание!", true, "Внимание! Готово"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::ostringstream out, err;
        TerminalOperator op(out, err, true);
        op.Message(c.icon, "Готово", Buttons::Ok, c.caption);
        EXPECT_EQ((c.toErr ? err : out).str(), c.line + "\n");
        EXPECT_EQ((c.toErr ? out : err).str(), "");
        EXPECT_EQ(op.Problems(), c.toErr ? 1 : 0);
    }
}

TEST(TerminalOperator, CodeDialogTakesWhatTheDialogAccepts) {
    using Code = Operator::Code;
    const struct {
        Code code;
        std::optional<std::string> digits;
        uint32_t value;
    } cases[] = {
        {Code::Okpo, "12345678", 12345678},
        {Code::Okpo, "123456", 123456},
        {Code::Okpo, "12345", 0},
        {Code::Okpo, "123456789", 0},
        {Code::Okpo, std::nullopt, 0},
        {Code::Agency, "7", 7},
        {Code::Agency, "999", 999},
        {Code::Agency, "1000", 0},
        {Code::Agency, "", 0},
        {Code::Agency, "1a", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digits.value_or("none"));
        std::ostringstream out, err;
        TerminalOperator op(out, err, false);
        if (c.digits) op.SetCode(c.code, *c.digits);
        EXPECT_EQ(op.AskCode(c.code, 0), c.value);
        EXPECT_TRUE(op.CodeAsked());
        // A code that cannot be taken says why.
        EXPECT_EQ(op.Problems(), c.value == 0 ? 1 : 0);
    }
}

TEST(TerminalOperator, DialogsTakeTheGivenPathsAndViewerPrintsThePath) {
    std::ostringstream out, err;
    TerminalOperator op(out, err, false);
    EXPECT_EQ(op.ChooseFolder("Выбор носителя"), std::nullopt);
    EXPECT_EQ(op.ChooseOpenFile("", {}), std::nullopt);
    EXPECT_EQ(op.ChooseOrganization({{"Школа 1", 111}}), std::nullopt);

    op.SetFolder("/media/usb");
    op.AddOpenFile("a.arj");
    op.AddOpenFile("b.arj");
    op.SetOrganization(222);
    EXPECT_EQ(op.ChooseFolder("Выбор носителя"), "/media/usb");
    EXPECT_EQ(op.ChooseOpenFile("", {}), "a.arj");
    EXPECT_EQ(op.ChooseOpenFile("", {}), "b.arj");
    EXPECT_EQ(op.ChooseOpenFile("", {}), std::nullopt);
    EXPECT_EQ(op.ChooseOrganization({{"Школа 1", 111}, {"Школа 2", 222}})->text, "Школа 2");

    EXPECT_TRUE(op.OpenInViewer("/tmp/Export/Actual.log"));
    EXPECT_EQ(out.str(), "/tmp/Export/Actual.log\n");

    // Not a terminal: no progress at all.
    op.ShowProgress(50, true);
    op.ShowProgress(0, false);
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace vrklad
