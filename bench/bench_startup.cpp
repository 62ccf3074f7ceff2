// Start-up to the first complete frame: the process runs until the main window, its first analysis
// done, is on screen with every graph drawn, then ends at once (timed from outside as a whole
// process). With --session it goes on as a user would, for the peak resident memory: the Power
// window and the export window opened, every list stepped through, a cursor switched on.
#include "app/form1.h"
#include "widgets/valuecombo.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <unistd.h>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Form1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    QCoreApplication::processEvents();  // the queued replots and the paint they ask for
    QCoreApplication::processEvents();
    if (argc < 2 || qstrcmp(argv[1], "--session") != 0) {
        std::fflush(stdout);
        _exit(0);  // the frame is complete; tearing down is not start-up
    }
    for (const char *item : {"power_calcs", "Save_As", "cursors3_on", "Topol_Full_Bridge"})
        form.findChild<QAction *>(QLatin1String(item))->trigger();
    for (ValueCombo *combo : form.findChildren<ValueCombo *>()) {
        combo->lineEdit()->setFocus();
        for (int i = 0; i < combo->count(); ++i) {
            QTest::keyClick(combo->lineEdit(), Qt::Key_Down);
            QCoreApplication::processEvents();
        }
    }
    return 0;
}
