// vrklad_window_memory PROGRAMDIR: the desktop program's start (the same
// main window on the same files) followed by what an operator does with a
// full register: "Коррекция записей" from the menu, the list filled, sorted
// by name, scrolled to its end, and the window closed. Prints the peak
// resident memory of the process, as /usr/bin/time -v reports it.
//
// Run it offscreen (QT_QPA_PLATFORM=offscreen) or under xvfb-run.

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <cstdio>
#include <fstream>
#include <string>

#include "session/RegisterList.h"
#include "ui/MainForm.h"
#include "ui/ProgramIdentity.h"
#include "ui/RegisterListModel.h"
#include "ui/Unit2.h"

namespace {

std::string PeakResident() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return line;
    }
    return "VmHWM: unknown";
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vrklad_window_memory PROGRAMDIR\n");
        return 2;
    }
    // As the program itself starts.
    QApplication::setApplicationName(QStringLiteral("vrklad"));
    QApplication::setWindowIcon(vrklad::ProgramIcon());
    QLocale::setDefault(QLocale(QLocale::Russian));
    QTranslator qtTranslation;
    if (qtTranslation.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslation);
    }
    const std::filesystem::path programDir = argv[1];
    vrklad::TForm1 form(programDir);
    if (form.StartupResult() != vrklad::Session::StartupResult::Ready) {
        std::fprintf(stderr, "vrklad_window_memory: the register did not open\n");
        return 1;
    }
    form.show();

    // The menu command runs the window modally; this timer works inside it.
    int stage = 0;
    QTimer steps;
    steps.setInterval(100);
    QObject::connect(&steps, &QTimer::timeout, [&] {
        auto* window = form.findChild<vrklad::TForm2*>();
        if (window == nullptr || !window->isVisible()) return;
        auto* list = window->findChild<QTreeView*>(QStringLiteral("ListView1"));
        switch (stage) {
            case 0:  // wait for the list
                if (window->TimerLoad()->isActive() || window->Model()->rowCount() == 0) return;
                std::printf("listed %d records\n", window->Model()->rowCount());
                window->ListView1ColumnClick(vrklad::ColFio);
                break;
            case 1:
                list->scrollToBottom();
                break;
            default:
                window->reject();
                steps.stop();
                return;
        }
        ++stage;
    });
    steps.start();
    QTimer::singleShot(0, &form, [&] {
        form.findChild<QAction*>(QStringLiteral("MenuButtonCorrect"))->trigger();
        QApplication::quit();
    });
    const int rc = QApplication::exec();
    std::printf("%s\n", PeakResident().c_str());
    return rc;
}
