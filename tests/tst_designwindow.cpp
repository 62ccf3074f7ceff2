// Design files, undo and redo, and the held reference, through the main window's own widgets:
// the Design menu, Qt's own file dialogs, the Power and carrier windows' boxes typed into key by
// key. Expected figures and curves come from tests/testhelpers.h's reference:: solution of the
// network; expected file contents are written out here.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "testhelpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUndoStack>

namespace {

const char *const kGraphs[] = {"CWGraph1", "CWGraph3", "CWGraph4"};  // Fig. 1 to 3

// Plays a ';'-separated script on the main window and the windows it opens. Beside play()'s steps:
//   load <text> | close     types the load power into the Power window's box; closes that window
//   carrier <box> [<text>]  types into the carrier window's box (supply, fsw, ...), or empties it
//   modulation ad|bd        clicks the carrier window's choice
//   undo | redo | new | hold_reference | clear_reference   the Design menu's items
//   open | save | save_as | measured <path>   the item, and its dialog answered with the path
//   key <chord>             a key chord in the focused input: ctrl+z, ctrl+shift+z, ctrl+y
void act(Form1 *form, const QString &script)
{
    static const QStringList items{"undo", "redo", "new",     "hold_reference", "clear_reference",
                                   "open", "save", "save_as", "measured"};
    for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(' ');
        const QString &verb = w[0];
        if (items.contains(verb)) {
            if (w.size() > 1)
                answerFileDialog(w[1]);
            const QString item = verb == "measured" ? "measured_load" : "design_" + verb;
            childNamed<QAction>(form, qPrintable(item))->trigger();
        } else if (verb == "load") {
            if (!form->powerWindow() || !form->powerWindow()->isVisible())
                childNamed<QAction>(form, "power_calcs")->trigger();
            typeOver(childNamed<QLineEdit>(form->powerWindow(), "Text_peak_voltage"), w.value(1));
        } else if (verb == "close") {
            form->powerWindow()->close();
        } else if (verb == "carrier" || verb == "modulation") {
            if (!form->carrierWindow())
                childNamed<QAction>(form, "carrier_window")->trigger();
            const QString name = (verb == "modulation" ? "carrier_modulation_" : "carrier_") + w[1];
            if (verb == "modulation") {
                QTest::mouseClick(childNamed<QRadioButton>(form->carrierWindow(), qPrintable(name)),
                                  Qt::LeftButton);
                continue;
            }
            auto *box = childNamed<QLineEdit>(form->carrierWindow(), qPrintable(name));
            typeOver(box, w.value(2));
            if (w.size() == 2)  // emptied
                QTest::keyClick(box, Qt::Key_Backspace);
        } else if (verb == "key") {
            const QKeySequence chord(w[1]);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(chord[0].key()),
                            chord[0].keyboardModifiers());
        } else {
            play(form, step);
        }
    }
}

// Everything the windows show of a design: inputs, figure boxes and caption, the Power window's
// boxes while it is on screen, the carrier window's boxes; every curve.
struct Shown {
    QStringList texts;
    QList<QList<double>> curves;
};

Shown shownBy(Form1 *form)
{
    Shown s{
        texts(form, QStringList{"speaker_r_mode", "Speaker_L", "filter_c_par", "filter_l_par",
                                "zobel_c_par", "zobel_r_par", "zobel_c_ser", "Text_rzobel_power"} +
                        kFigureBoxes),
        {}};
    s.texts << form->windowTitle();
    for (const char *graph : kGraphs) s.curves << curveOf(form, graph);
    if (QWidget *power = form->powerWindow(); power && power->isVisible()) {
        s.texts += texts(power, {"Text_zobel_c_parp", "Text_zobel_r_parp", "Text_zobel_c_serp",
                                 "Text_peak_voltage"});
        s.curves << curveOf(power, "CWGraph4");
    }
    if (CarrierWindow *carrier = form->carrierWindow()) {
        for (QLineEdit *box : carrier->findChildren<QLineEdit *>())
            s.texts << box->objectName() + "=" + box->text();
        s.texts << QString::number(
            childNamed<QRadioButton>(carrier, "carrier_modulation_ad")->isChecked());
    }
    return s;
}

// The main window's seven figure boxes.
const QStringList kFigures = kFigureBoxes + QStringList{"Text_rzobel_power"};

// The figures' texts for a design as the network gives them: the six gains, then the 7 kHz
// dissipation in milliwatts cut toward zero.
QStringList figureTexts(const DesignRecord &r, double loadPower)
{
    QStringList t;
    for (bool zobel : {false, true})
        for (double v : reference::gainFigures(r, zobel)) t << reference::figureText(v);
    const double watts = reference::dissipation(r, loadPower, 70);
    return t << QString::number(std::trunc(watts * 1000) / 1000, 'g', 15) + "W";
}

// The start-up design as a design file holds it, with the fields of `changes` (JSON) changed.
QJsonObject startupObject(const QByteArray &changes = "{}")
{
    QJsonObject o = QJsonDocument::fromJson(R"({"format": "quorvel-design", "version": 1,
        "topology": "half", "speaker_r_mode": "8", "filter_c_par": "1.0", "filter_l_par": "22",
        "zobel_r_par": "6", "zobel_c_par": ".1", "zobel_c_ser": ".1", "Speaker_L": ".67",
        "load_power": "50", "supply": "", "fsw": "", "audio-frequency": "1000",
        "zobel-rating": "", "inductor-rating": "", "capacitor-rating": "", "modulation": "bd",
        "load_file": ""})")
                        .object();
    const QJsonObject c = QJsonDocument::fromJson(changes).object();
    for (auto it = c.begin(); it != c.end(); ++it) o[it.key()] = it.value();
    return o;
}

}  // namespace

class TestDesignWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        m_dir.emplace();
        QVERIFY(QFile::copy(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma",
                            path("speaker.txt")));
        QSettings().setValue("design/recent", QStringList{path("d.quorvel")});
        m_form = openWindow<Form1>();
    }
    void cleanup()
    {
        delete m_form;
        delete m_second;
    }

    void steps_data()
    {
        QTest::addColumn<QString>("script");  // %1: the folder of speaker.txt
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("undo");  // the Undo item's text afterwards
        QTest::newRow("pick Zobel R 10") << "pick zobel_r_par 10" << 1 << "&Undo Zobel R 10";
        QTest::newRow("pick the item shown") << "pick filter_c_par 1.0" << 0 << "&Undo";
        QTest::newRow("type Zobel R 1, then 10")
            << "type zobel_r_par 10" << 2 << "&Undo Zobel R 10";
        QTest::newRow("Speaker_L .5, then .55")
            << "type Speaker_L .55" << 2 << "&Undo Speaker L .55";
        QTest::newRow("full bridge twice, then half")
            << "full; full; half" << 2 << "&Undo Half bridge";
        QTest::newRow("load power 8, 80, then refused")
            << "load 80; load x" << 2 << "&Undo Load power 80";
        QTest::newRow("Power window closed at 80 W")
            << "load 80; close" << 3 << "&Undo Load power 50";
        QTest::newRow("supply 2, 20, then 200 refused")
            << "carrier supply 200" << 2 << "&Undo Supply 20";
        QTest::newRow("Zobel rating emptied")
            << "carrier zobel_rating 1; carrier zobel_rating" << 2 << "&Undo Zobel rating none";
        QTest::newRow("modulation AD") << "full; modulation ad" << 2 << "&Undo Modulation AD";
        QTest::newRow("measured speaker")
            << "measured %1/speaker.txt" << 1 << "&Undo Measured speaker speaker.txt";
        QTest::newRow("new design")
            << "pick zobel_r_par 10; paste .5; new" << 3 << "&Undo New design";
    }

    // The steps a change makes and the Undo item's name; every step undone shows the start-up
    // design as shown at start-up, every step redone what the change showed.
    void steps()
    {
        QFETCH(QString, script);
        QFETCH(int, steps);
        QFETCH(QString, undo);
        const Shown before = shownBy(m_form);
        const QByteArray startBytes = designFileBytes(m_form->designInputs());
        act(m_form, script.arg(m_dir->path()));
        auto *undoItem = childNamed<QAction>(m_form, "design_undo");
        QCOMPARE(m_form->findChild<QUndoStack *>()->count(), steps);
        QCOMPARE(undoItem->text(), undo);
        QCOMPARE(undoItem->isEnabled(), steps > 0);
        QVERIFY(!childNamed<QAction>(m_form, "design_redo")->isEnabled());
        const Shown after = shownBy(m_form);
        const QByteArray afterBytes = designFileBytes(m_form->designInputs());
        act(m_form, QString("undo;").repeated(steps));
        QVERIFY(!undoItem->isEnabled());
        QCOMPARE(designFileBytes(m_form->designInputs()), startBytes);
        const Shown undone = shownBy(m_form);
        QCOMPARE(undone.texts.mid(0, before.texts.size()), before.texts);
        QCOMPARE(undone.curves.mid(0, 3), before.curves);
        act(m_form, QString("redo;").repeated(steps));
        QCOMPARE(designFileBytes(m_form->designInputs()), afterBytes);
        const Shown redone = shownBy(m_form);
        QCOMPARE(redone.texts, after.texts);
        QCOMPARE(redone.curves, after.curves);
    }

    // In the box just typed into, the keys undo and redo the design, not the box's last edit.
    void shortcuts()
    {
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        act(m_form, "pick zobel_r_par 47; type Speaker_L 2");
        QCOMPARE(QApplication::focusWidget(), childNamed<QWidget>(m_form, "Speaker_L"));
        for (const char *redo : {"key ctrl+shift+z", "key ctrl+y"}) {
            act(m_form, "key ctrl+z");
            QCOMPARE(childNamed<QAction>(m_form, "design_undo")->text(), "&Undo Zobel R 47");
            QCOMPARE(childNamed<QAction>(m_form, "design_redo")->text(), "Re&do Speaker L 2");
            QCOMPARE(texts(m_form, {"Speaker_L", "zobel_r_par"}), (QStringList{".67", "47"}));
            act(m_form, redo);
            QCOMPARE(textOf(m_form, "Speaker_L"), "2");
        }
        act(m_form, "key ctrl+n");  // New, from the keyboard: one step back to the start-up design
        QCOMPARE(texts(m_form, {"Speaker_L", "zobel_r_par"}), (QStringList{".67", "6"}));
        QCOMPARE(childNamed<QAction>(m_form, "design_undo")->text(), "&Undo New design");
        auto *zobelR = childNamed<QComboBox>(m_form, "zobel_r_par");  // its list opens on "6"
        QCOMPARE(zobelR->currentIndex(), zobelR->findText("6"));
    }

    // Every input away from start-up, a measured speaker and a held reference: saved, opened in a
    // window of its own and saved again, byte for byte, with the same figures and curves.
    void roundTrip()
    {
        QStringList older;  // a full Recent menu, whose last file goes when a.quorvel comes first
        for (int i = 1; i <= 8; ++i) older << QString("/old/%1.quorvel").arg(i);
        QSettings().setValue("design/recent", older);
        act(m_form, "full; pick zobel_r_par 47; load 20; hold_reference");
        act(m_form,
            "pick speaker_r_mode 4; pick filter_c_par .47; pick filter_l_par 10; pick zobel_r_par "
            "10; pick zobel_c_par 0; pick zobel_c_ser .22; type Speaker_L .5; load 80; carrier "
            "supply 48; carrier fsw 384; carrier audio 2500; carrier zobel_rating .25; carrier "
            "inductor_rating 3; carrier capacitor_rating 1.5; modulation ad; measured " +
                path("speaker.txt") + "; save_as " + path("a.quorvel"));
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save a.quorvel");
        QCOMPARE(QSettings().value("design/recent").toStringList(),
                 QStringList{path("a.quorvel")} + older.mid(0, 7));
        QJsonObject expected = startupObject(R"({"topology": "full", "speaker_r_mode": "4",
            "filter_c_par": ".47", "filter_l_par": "10", "zobel_r_par": "10", "zobel_c_par": "0",
            "zobel_c_ser": ".22", "Speaker_L": ".5", "load_power": "80", "supply": "48",
            "fsw": "384", "audio-frequency": "2500", "zobel-rating": ".25", "inductor-rating": "3",
            "capacitor-rating": "1.5", "modulation": "ad"})");
        expected["load_file"] = "speaker.txt";  // beside it
        QJsonObject held =
            startupObject(R"({"topology": "full", "zobel_r_par": "47", "load_power": "20"})");
        held.remove("format"), held.remove("version");
        expected["reference"] = held;
        QCOMPARE(QJsonDocument::fromJson(contents(path("a.quorvel"))).object(), expected);

        m_second = openWindow<Form1>();
        act(m_second, "open " + path("a.quorvel"));
        QCOMPARE(childNamed<QAction>(m_second, "design_undo")->text(), "&Undo Open a.quorvel");
        for (const char *window : {"power_calcs", "carrier_window"})  // open, as in the first
            childNamed<QAction>(m_second, window)->trigger();
        const Shown mine = shownBy(m_second), theirs = shownBy(m_form);
        QCOMPARE(mine.texts, theirs.texts);
        QCOMPARE(mine.curves, theirs.curves);
        QCOMPARE(texts(m_second, kFigures), figureTexts(m_second->design(), 80));
        QCOMPARE(m_second->measuredSpeaker()->path(), path("speaker.txt"));
        for (const char *graph : kGraphs)
            QCOMPARE(childNamed<GraphControl>(m_second, graph)->overlayCount(),
                     childNamed<GraphControl>(m_form, graph)->overlayCount());
        QCOMPARE(panelTexts(m_second), panelTexts(m_form));
        // Opening was one step: undone, the start-up design again.
        act(m_second, "undo");
        QCOMPARE(QJsonDocument::fromJson(designFileBytes(m_second->designInputs())).object(),
                 startupObject());
        QVERIFY(!m_second->measuredSpeaker());
    }

    void opens_data()
    {
        // The design shown before; %1: the folder of the file and of speaker.txt
        QTest::addColumn<QString>("before");
        // The file's bytes; "(folder)": a folder in its place, "(none)": nothing there
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("told");  // the one box's text and icon
        QTest::addColumn<int>("icon");
        // Zobel R, Speaker L, filter C afterwards; none when the file is refused
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<bool>("measured");  // speaker.txt loaded afterwards
        QTest::newRow("fields missing, a load file beside the design file")
            << "full; pick zobel_r_par 47; hold_reference"
            << QByteArray(
                   R"({"format": "quorvel-design", "version": 1, "zobel_r_par": "10", "Speaker_L": ".5", "load_file": "speaker.txt"})")
            << "%1/d.quorvel was opened without these fields, which took their start-up values: "
               "audio-frequency, capacitor-rating, filter_c_par, filter_l_par, "
               "fsw, inductor-rating, load_power, modulation, speaker_r_mode, supply, topology, "
               "zobel-rating, zobel_c_par, zobel_c_ser."
            << int(QMessageBox::Information) << QStringList{"10", ".5", "1.0"} << true;
        // The rest of the design is opened; the speaker loaded before belongs to another design.
        QTest::newRow("the load file gone")
            << "full; measured %1/speaker.txt; load 80"
            << QJsonDocument(startupObject(R"({"load_file": "gone.txt", "zobel_r_par": "22"})"))
                   .toJson()
            << "%1/gone.txt was not loaded. \"%1/gone.txt\" does not exist."
            << int(QMessageBox::Warning) << QStringList{"22", ".67", "1.0"} << false;
        QTest::newRow("a folder")
            << "full; pick zobel_r_par 10; load 80" << QByteArray("(folder)")
            << "%1/d.quorvel was not opened. \"%1/d.quorvel\" is a folder, not a file."
            << int(QMessageBox::Warning) << QStringList{} << false;
        QTest::newRow("gone") << "full; pick zobel_r_par 10; load 80" << QByteArray("(none)")
                              << "%1/d.quorvel was not opened. \"%1/d.quorvel\" does not exist."
                              << int(QMessageBox::Warning) << QStringList{} << false;
    }

    // Opened from the Recent menu. One box tells what the file lacked; the start-up half bridge
    // with what the file holds, its figures as the network gives them; nothing left of the design
    // shown before. A file refused leaves the design, its steps and its file name as they were; one
    // gone is no longer offered.
    void opens()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, file);
        QFETCH(QString, told);
        QFETCH(int, icon);
        QFETCH(QStringList, inputs);
        QFETCH(bool, measured);
        act(m_form, before.arg(m_dir->path()));
        if (file == "(folder)")
            QVERIFY(QDir().mkdir(path("d.quorvel")));
        else if (file != "(none)")
            QVERIFY(writeBytes(path("d.quorvel"), file));
        const Shown shown = shownBy(m_form);
        const int steps = m_form->findChild<QUndoStack *>()->count();
        BoxAnswerer answerer;
        const QList<QAction *> recent = childNamed<QMenu>(m_form, "design_recent")->actions();
        QCOMPARE(recent.size(), 1);
        QCOMPARE(recent[0]->text(), "&1 " + path("d.quorvel"));
        recent[0]->trigger();
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0],
                 (QStringList{"Quorvel", told.arg(m_dir->path()), QString::number(icon)}));
        QCOMPARE(QSettings().value("design/recent").toStringList(),
                 file == "(none)" ? QStringList{} : QStringList{path("d.quorvel")});
        if (inputs.isEmpty()) {
            const Shown after = shownBy(m_form);
            QCOMPARE(after.texts, shown.texts);
            QCOMPARE(after.curves, shown.curves);
            QCOMPARE(m_form->findChild<QUndoStack *>()->count(), steps);
            QCOMPARE(m_form->designPath(), QString());
            return;
        }
        QCOMPARE(m_form->windowTitle(), "d.quorvel[*] - Quorvel (HALF BRIDGE)");
        QCOMPARE(texts(m_form, {"zobel_r_par", "Speaker_L", "filter_c_par"}), inputs);
        QCOMPARE(texts(m_form, kFigures), figureTexts(m_form->design(), 50));
        QCOMPARE(m_form->measuredSpeaker() ? m_form->measuredSpeaker()->path() : "none",
                 measured ? path("speaker.txt") : "none");
        QCOMPARE(childNamed<GraphControl>(m_form, "CWGraph3")->overlayCount(), int(measured));
        QVERIFY(!m_form->heldReference());
        QCOMPARE(m_form->designPath(), path("d.quorvel"));
    }

    // A write cut short: one box naming the file and the reason; a new file is not made and its
    // name not taken, a file saved before keeps its bytes.
    void saveFailure()
    {
        BoxAnswerer answerer;
        withFileSizeLimit(100, [this] { act(m_form, "save_as " + path("cut.quorvel")); });
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0],
                 (QStringList{"Quorvel", path("cut.quorvel") + " was not saved. File too large.",
                              QString::number(QMessageBox::Warning)}));
        QVERIFY(!QFile::exists(path("cut.quorvel")));
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save");
        act(m_form, "save_as " + path("old.quorvel") + "; pick zobel_r_par 10");
        const QByteArray old = contents(path("old.quorvel"));
        QCOMPARE(QJsonDocument::fromJson(old).object(), startupObject());
        withFileSizeLimit(100, [this] { act(m_form, "save"); });
        QTRY_COMPARE(answerer.seen.size(), 2);
        QCOMPARE(contents(path("old.quorvel")), old);
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save old.quorvel");
    }

    // Each graph: the held design's curve dashed under the live one, both as the network gives
    // them; the reference's figures in the panel; cleared, nothing of it left.
    void heldReference()
    {
        act(m_form,
            "load 20; hold_reference");  // the same speaker, so that Fig. 1's two curves coincide
        const DesignRecord a = m_form->design();
        act(m_form,
            "close; full; pick filter_c_par .47; pick zobel_r_par 47; pick zobel_c_ser .22; "
            "load 80");  // the Power window loaded afresh draws the reference too
        const DesignRecord b = m_form->design();
        const auto near = [](double v, double expected, const QString &what) {
            QVERIFY2(std::fabs(v - expected) <= 1e-9 * std::max(1.0, std::fabs(expected)),
                     qPrintable(QString("%1 %2, expected %3").arg(what).arg(v).arg(expected)));
        };
        for (const char *name : kGraphs) {
            const bool fig1 = name == QLatin1String("CWGraph1");
            GraphControl *g = childNamed<GraphControl>(m_form, name);
            QCOMPARE(g->overlayCount(), 1);
            QCOMPARE(g->overlayName(0), "reference, 8 ohm" + QString(fig1 ? " + .67 mH" : ""));
            for (int i : {1, 200, 330, 3840, 10000}) {
                const auto value = [&](const DesignRecord &r) {
                    return fig1 ? reference::impedance(r, i)
                                : reference::gainDb(r, i, name == QLatin1String("CWGraph4"));
                };
                near(g->overlayY(0, i), value(a), QString("%1 at %2: reference").arg(name).arg(i));
                near(g->curveY(i), value(b), QString("%1 at %2: live").arg(name).arg(i));
            }
        }
        GraphControl *power = childNamed<GraphControl>(m_form->powerWindow(), "CWGraph4");
        QCOMPARE(power->overlayCount(), 1);
        for (int i : {1, 70, 1000}) {
            QVERIFY(std::fabs(power->overlayY(0, i) / reference::dissipation(a, 20, i) - 1) <
                    1e-12);
            QVERIFY(std::fabs(power->curveY(i) / reference::dissipation(b, 80, i) - 1) < 1e-12);
        }
        QCOMPARE(panelTexts(m_form), figureTexts(a, 20) + figureTexts(b, 80));
        QCOMPARE(texts(m_form, kFigures), figureTexts(b, 80));
        act(m_form, "clear_reference");
        for (const char *name : kGraphs)
            QCOMPARE(childNamed<GraphControl>(m_form, name)->overlayCount(), 0);
        QCOMPARE(power->overlayCount(), 0);
        QVERIFY(!m_form->findChild<QWidget *>("ReferencePanel"));
        QVERIFY(!childNamed<QAction>(m_form, "design_clear_reference")->isEnabled());
        QVERIFY(!m_form->heldReference());
    }

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // The reference panel's texts: the reference's seven figures, then the live ones.
    static QStringList panelTexts(Form1 *form)
    {
        QStringList t;
        for (const char *column : {"reference_", "live_"})
            for (const QString &box : kFigures)
                t << textOf(childNamed<QWidget>(form, "ReferencePanel"), qPrintable(column + box));
        return t;
    }

    Form1 *m_form = nullptr;
    QPointer<Form1> m_second;
    std::optional<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestDesignWindow)
#include "tst_designwindow.moc"
