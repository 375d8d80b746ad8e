// The desktop program: the main window over the files next to the executable.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/MainForm.h"
#include "ui/ProgramIdentity.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vrklad"));
    QApplication::setApplicationVersion(QStringLiteral(VRKLAD_VERSION));
    QApplication::setWindowIcon(vrklad::ProgramIcon());
    QLocale::setDefault(QLocale(QLocale::Russian));

    // Qt's own buttons ("Да", "Нет", "Отмена") in Russian.
    QTranslator qtTranslation;
    if (qtTranslation.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslation);
    }

    // Every file of the program lies next to the executable.
    const std::filesystem::path programDir = QCoreApplication::applicationDirPath().toStdString();
    vrklad::TForm1 form(programDir);
    if (form.StartupResult() == vrklad::Session::StartupResult::Quit) return 0;
    form.show();
    return QApplication::exec();
}
