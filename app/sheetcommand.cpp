#include "app/sheetcommand.h"

#include "app/form1.h"
#include "core/common/program.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kRefused = 2;
constexpr int kWriteFailed = 1;

int tell(int status, const QString &message)
{
    std::fputs(qPrintable(QStringLiteral("quorvel: %1\n").arg(message)), stderr);
    return status;
}

}  // namespace

bool isSheetCommand(int argc, char **argv)
{
    return argc > 1 && std::strcmp(argv[1], "sheet") == 0;
}

int runSheetCommand(int argc, char **argv)
{
    // No display is needed, nor used when there is one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(kProgramName));
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("design"),
                      QStringLiteral("A design file (.quorvel); else the start-up design."),
                      QStringLiteral("path")});
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("The sheet to write: a .pdf or .html file."),
                      QStringLiteral("file")});
    if (!parser.parse(QApplication::arguments()))
        return tell(kRefused, parser.errorText());
    if (parser.positionalArguments().size() > 1)
        return tell(
            kRefused,
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().at(1)));
    if (!parser.isSet(QStringLiteral("output")))
        return tell(kRefused, QStringLiteral("sheet needs -o FILE (.pdf or .html)"));
    DesignFile file{DesignInputs::startup(), std::nullopt, {}};
    std::shared_ptr<const MeasuredLoad> measured;
    if (parser.isSet(QStringLiteral("design"))) {
        const QString path = parser.value(QStringLiteral("design"));
        DesignFileRead read = readDesignFilePath(path);
        if (const QString *refusal = std::get_if<QString>(&read))
            return tell(kRefused, QStringLiteral("--design: %1: %2").arg(path, *refusal));
        file = std::get<DesignFile>(std::move(read));
        file.design.loadFile = loadFileOf(path, file.design);
        if (!file.design.loadFile.isEmpty()) {
            std::variant<MeasuredLoad, QString> load = MeasuredLoad::fromFile(file.design.loadFile);
            if (const QString *refusal = std::get_if<QString>(&load))
                return tell(kRefused,
                            QStringLiteral("--design: %1: \"load_file\": %2").arg(path, *refusal));
            measured =
                std::make_shared<const MeasuredLoad>(std::get<MeasuredLoad>(std::move(load)));
        }
    }
    Form1 form;
    form.model().apply(file.design, std::move(measured));
    if (file.reference)
        form.model().holdReference(*file.reference);
    const std::optional<Form1::SheetFailure> failure =
        form.writeSheet(parser.value(QStringLiteral("output")), QDate::currentDate());
    if (failure)
        return tell(failure->refused ? kRefused : kWriteFailed, failure->message);
    return 0;
}
