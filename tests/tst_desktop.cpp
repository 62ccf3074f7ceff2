// The main window as a desktop program: changes to a design file's design are asked about before
// they are lost, the caption names the file, the Design keys work without a theme, a speaker file
// travels with its design file, a refused key keeps the selection and says why, the command line
// takes a design file's modulation, and networks without a series capacitor cost nothing.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "testhelpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolTip>

namespace {

const QString kWoofer = QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma";

QString fieldOf(const QString &path, const char *field)
{
    return QJsonDocument::fromJson(contents(path)).object().value(field).toString();
}

QByteArray quorvel(const QStringList &args)
{
    QProcess p;
    p.start(QUORVEL_EXE, args);
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

}  // namespace

class TestDesktop : public QObject
{
    Q_OBJECT
    Form1 *m_form = nullptr;

    // A menu item, its file dialog (if any) answered with `path`.
    void trigger(const QString &item, const QString &path = {})
    {
        if (!path.isEmpty())
            answerFileDialog(path);
        childNamed<QAction>(m_form, qPrintable(item))->trigger();
    }

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup() { delete m_form; }

    void changesAsked_data()
    {
        QTest::addColumn<QString>("steps");  // done to a.quorvel's design; the last one may ask
        QTest::addColumn<int>("answer");     // 0: not asked
        QTest::addColumn<QString>("after");  // the window stays or ends; Zobel R shown, saved
        const int save = QMessageBox::Save, discard = QMessageBox::Discard;
        const int cancel = QMessageBox::Cancel;
        QTest::newRow("no design file: Exit at once") << "change Exit" << 0 << "ends 10 6";
        QTest::newRow("opened, unchanged: Exit at once") << "design_open Exit" << 0 << "ends 6 6";
        QTest::newRow("Exit, Cancel") << "design_open change Exit" << cancel << "stays 10 6";
        QTest::newRow("Exit, Save") << "design_open change Exit" << save << "ends 10 10";
        QTest::newRow("saved, close, Discard")
            << "design_save_as change close" << discard << "ends 10 6";
        QTest::newRow("close, Cancel") << "design_open change close" << cancel << "stays 10 6";
        QTest::newRow("New, Cancel") << "design_open change design_new" << cancel << "stays 10 6";
        QTest::newRow("Open, Discard")
            << "design_open change design_open" << discard << "stays 6 6";
    }

    // The file's name and a mark of changes in the caption; the question, what each answer does.
    void changesAsked()
    {
        QFETCH(QString, steps);
        QFETCH(int, answer);
        QFETCH(QString, after);
        const QTemporaryDir dir;
        const QString file = dir.filePath("a.quorvel");
        QStringList w = steps.split(' ');
        const QStringList expected = after.split(' ');
        if (w[0] != "design_save_as")  // which writes it afresh
            QVERIFY(!writeDesignFile(file, DesignInputs::startup()));
        const QString last = w.takeLast();
        for (const QString &step : w)
            step == "change" ? play(m_form, "pick zobel_r_par 10") : trigger(step, file);
        const bool inUse = w[0] != "change";
        QCOMPARE(m_form->windowTitle(),
                 QString(inUse ? "a.quorvel[*] - " : "") + "Quorvel (HALF BRIDGE)");
        QCOMPARE(m_form->isWindowModified(), inUse && w.contains("change"));
        // Each question answered; in the program's own event loop, which an end leaves at once.
        int asked = 0;
        QTimer answering;
        answering.callOnTimeout([&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                QAbstractButton *b = box->button(QMessageBox::StandardButton(answer));
                (b ? b : box->buttons().constFirst())->click(), ++asked;
            }
        });
        answering.start(10);
        QTimer::singleShot(0, m_form, [&] {
            last == "close" ? void(m_form->close())
                            : trigger(last, last == "design_open" ? file : "");
            QTimer::singleShot(300, &answering, [] { QCoreApplication::exit(2); });
        });
        const int status = QCoreApplication::exec();
        QCOMPARE(asked, int(answer != 0));
        QCOMPARE(status, m_form->isVisible() ? 2 : 0);
        QCOMPARE(m_form->isVisible(), expected[0] == "stays");
        QCOMPARE(textOf(m_form, "zobel_r_par"), expected[1]);
        QCOMPARE(fieldOf(file, "zobel_r_par"), expected[2]);
    }

    void designKeys_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("dialog");
        QTest::newRow("Ctrl+N") << "design_new" << false;
        QTest::newRow("Ctrl+O") << "design_open" << true;
        QTest::newRow("Ctrl+S") << "design_save" << true;
        QTest::newRow("Ctrl+Shift+S") << "design_save_as" << true;
        QTest::newRow("Ctrl+Z") << "design_undo" << false;
    }

    // Each item shows its key (the row's name), and the key chooses it from the focused input.
    void designKeys()
    {
        QFETCH(QString, item);
        QFETCH(bool, dialog);
        const QKeySequence key(QTest::currentDataTag());
        play(m_form, "pick zobel_r_par 10");
        auto *action = childNamed<QAction>(m_form, qPrintable(item));
        QCOMPARE(action->shortcut(), key);
        QSignalSpy chosen(action, &QAction::triggered);
        if (dialog)
            answerFileDialog({});
        QTest::keySequence(QApplication::focusWidget(), key);
        QTRY_COMPARE(chosen.count(), 1);
    }

    void speakerFile_data()
    {
        QTest::addColumn<QString>("folder");  // the speaker file's, from the design file's
        QTest::addColumn<bool>("relative");   // written relative to the design file
        QTest::newRow("same folder") << "." << true;
        QTest::newRow("below it") << "sub" << true;
        QTest::newRow("elsewhere") << "../out" << false;
    }

    // Written relative to the design file when beside it or below; found after the folder moved.
    void speakerFile()
    {
        QFETCH(QString, folder);
        QFETCH(bool, relative);
        const QTemporaryDir dir;
        const QString root = dir.path(), design = root + "/design/d.quorvel";
        const QString speaker = QDir::cleanPath(root + "/design/" + folder + "/woofer.zma");
        QVERIFY(QDir().mkpath(QFileInfo(speaker).path()) && QDir().mkpath(root + "/design"));
        QVERIFY(QFile::copy(kWoofer, speaker));
        trigger("measured_load", speaker);
        QTRY_VERIFY(m_form->measuredSpeaker());
        trigger("design_save_as", design);
        QTRY_COMPARE(fieldOf(design, "load_file"),
                     relative ? QDir::cleanPath(folder + "/woofer.zma") : speaker);
        QVERIFY(QDir(root).rename("design", "moved"));
        const BoxAnswerer ok;
        trigger("design_open", root + "/moved/d.quorvel");
        QTRY_VERIFY(m_form->windowTitle().startsWith("d.quorvel"));
        QVERIFY(m_form->measuredSpeaker() && ok.seen.isEmpty());
        QCOMPARE(m_form->measuredSpeaker()->path(),
                 QDir::cleanPath(root + "/moved/" + folder + "/woofer.zma"));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("modulation");  // what the file's design and the options make
        QTest::newRow("stress, the file's AD") << QStringList{"stress", "--format", "json"} << "ad";
        QTest::newRow("explore, the file's AD") << QStringList{"explore"} << "ad";
        QTest::newRow("stress, BD given over the file's AD")
            << QStringList{"stress", "--format", "json", "--modulation", "bd"} << "bd";
    }

    // A full-bridge design saved with the carrier window set to AD: the command line on the file
    // gives what it gives with every option spelt out.
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, modulation);
        const QTemporaryDir dir;
        const QString file = dir.filePath("ad.quorvel");
        play(m_form, "full");
        trigger("carrier_window");
        QWidget *carrier = m_form->carrierWindow();
        typeOver(childNamed<QLineEdit>(carrier, "carrier_supply"), "48");
        typeOver(childNamed<QLineEdit>(carrier, "carrier_fsw"), "384");
        QTest::mouseClick(childNamed<QRadioButton>(carrier, "carrier_modulation_ad"),
                          Qt::LeftButton);
        trigger("design_save_as", file);
        QTRY_COMPARE(fieldOf(file, "modulation"), QString("ad"));
        const QByteArray fromFile = quorvel(args + QStringList{"--design", file});
        QVERIFY(fromFile.size() > 500);
        QCOMPARE(fromFile, quorvel(args + QStringList{"--full-bridge", "--supply", "48", "--fsw",
                                                      "384", "--modulation", modulation}));
    }

    void refusedKey_data()
    {
        QTest::addColumn<QString>("typed");  // box, text, caret (-1: all selected), two keys, text
        QTest::newRow("Speaker_L, all selected") << "Speaker_L 1.2 -1 x7 7";
        QTest::newRow("Speaker_L, caret inside") << "Speaker_L 1.2 1 x5 15.2";
        QTest::newRow("load power, all selected") << "Text_peak_voltage 100 -1 x7 7";
        QTest::newRow("load power, caret inside") << "Text_peak_voltage 25 1 x. 2.5";
    }

    // The text comes back with its caret and selection, a tool tip says why, and the next key
    // goes where it would have gone.
    void refusedKey()
    {
        QFETCH(QString, typed);
        const QStringList t = typed.split(' ');
        if (t[0] != "Speaker_L")
            trigger("power_calcs");
        auto *edit = childNamed<QLineEdit>(
            t[0] == "Speaker_L" ? static_cast<QWidget *>(m_form) : m_form->powerWindow(),
            qPrintable(t[0]));
        typeOver(edit, t[1]);
        t[2] == "-1" ? edit->selectAll() : edit->setCursorPosition(t[2].toInt());
        QTest::keyClick(edit, t[3][0].toLatin1());
        QCOMPARE(edit->text(), t[1]);
        QTRY_VERIFY(QToolTip::isVisible() && !QToolTip::text().isEmpty());
        QTest::keyClick(edit, t[3][1].toLatin1());
        QCOMPARE(edit->text(), t[4]);
    }

    void measuredSpeaker_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("fit");
        QTest::newRow("nothing loaded") << "" << false;
        QTest::newRow("a design opened with one") << "design_open" << true;
        QTest::newRow("cleared") << "design_open measured_clear" << false;
    }

    // Fit… only while a speaker is loaded; its box only when asked for.
    void measuredSpeaker()
    {
        QFETCH(QString, steps);
        const QTemporaryDir dir;
        DesignInputs design = DesignInputs::startup();
        design.loadFile = kWoofer;
        QVERIFY(!writeDesignFile(dir.filePath("w.quorvel"), design));
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts))
            trigger(step, step == "design_open" ? dir.filePath("w.quorvel") : "");
        QTEST(childNamed<QAction>(m_form, "measured_fit")->isEnabled(), "fit");
        auto *box = m_form->findChild<QWidget *>("MeasuredSpeakerWindow");
        QVERIFY(!box || !box->isVisible());
    }

    void noZobel_data()
    {
        QTest::addColumn<QStringList>("explore");
        QTest::newRow("half bridge") << QStringList{"explore"};
        QTest::newRow("full bridge and carrier")
            << QStringList{"explore", "--full-bridge", "--supply", "48", "--fsw", "384"};
    }

    // Networks without a series capacitor dissipate exactly nothing, and one of them, the lowest
    // peak, stands on the front for them all.
    void noZobel()
    {
        QFETCH(QStringList, explore);
        QList<double> peaks, front;
        for (const QByteArray &line : quorvel(explore).split('\n')) {
            const QList<QByteArray> f = line.split(',');
            if (f.size() == 7 && f[2] == "0" && f[4] == "0")
                (f[6] == "1" ? front : peaks) << f[3].toDouble();
        }
        QCOMPARE(peaks.size() + front.size(), 16 * 18);
        QCOMPARE(front, QList<double>{std::min(front.value(0),
                                               *std::min_element(peaks.begin(), peaks.end()))});
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
