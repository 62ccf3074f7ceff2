#include "app/form1.h"
#include "app/sheetcommand.h"
#include "cli/commandline.h"
#include "core/common/program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The design sheet draws as the windows do, unseen; every other command word, help and
    // version run on the core alone.
    if (isSheetCommand(argc, argv))
        return runSheetCommand(argc, argv);
    // A command word, help or version: no window, and no display needed.
    if (isCommandLine(argc, argv))
        return runCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(kProgramName));
    Form1 form;
    form.show();
    return QApplication::exec();
}
