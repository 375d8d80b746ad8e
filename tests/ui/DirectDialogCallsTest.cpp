#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

// Message boxes and file dialogs are opened by the Qt operator only, so that
// every question a window asks can be answered by a test's script.
class DirectDialogCallsTest : public QObject {
    Q_OBJECT
private slots:
    void onlyTheOperatorOpensMessageBoxesAndFileDialogs() {
        const QString source = QStringLiteral(VRKLAD_SOURCE_DIR "/src");
        const QRegularExpression direct(QStringLiteral("\\b(QMessageBox|QFileDialog)\\b"));
        QStringList offenders;
        int files = 0;
        QDirIterator it(source, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            ++files;
            if (QFileInfo(path).fileName().startsWith(QStringLiteral("QtOperator."))) continue;
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            if (QString::fromUtf8(file.readAll()).contains(direct)) offenders << path;
        }
        QVERIFY(files > 0);
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(DirectDialogCallsTest)
#include "DirectDialogCallsTest.moc"
