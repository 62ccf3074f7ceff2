// Design files, undo and redo, and the held reference, through the main window's own widgets:
// the Design menu, Qt's own file dialogs, the Power and carrier windows' boxes typed into key by
// key. Expected figures and curves come from tests/testhelpers.h's reference:: solution of the
// network; expected file contents are written out here.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "testhelpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUndoStack>

namespace {

// Plays a ';'-separated script on the main window and the windows it opens. Beside play()'s steps:
//   load <text>             types the load power into the Power window's box
//   modulation ad|bd        clicks the carrier window's choice
//   undo | redo | new | hold_reference | clear_reference   the Design menu's items
//   open | save | save_as | measured <path>   the item, and its dialog answered with the path
void act(Form1 *form, const QString &script)
{
    for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(' ');
        const QString item = w[0] == "measured" ? "measured_load" : "design_" + w[0];
        if (auto *action = form->findChild<QAction *>(item)) {
            if (w.size() > 1)
                answerFileDialog(w[1]);
            action->trigger();
        } else if (w[0] == "load") {
            childNamed<QAction>(form, "power_calcs")->trigger();
            typeOver(childNamed<QLineEdit>(form->powerWindow(), "Text_peak_voltage"), w.value(1));
        } else if (w[0] == "modulation") {
            if (!form->carrierWindow())
                childNamed<QAction>(form, "carrier_window")->trigger();
            const QString choice = "carrier_modulation_" + w[1];
            QTest::mouseClick(childNamed<QRadioButton>(form->carrierWindow(), qPrintable(choice)),
                              Qt::LeftButton);
        } else {
            play(form, step);
        }
    }
}

// What the main window shows of a design: inputs, figure boxes and caption, the design file's
// bytes; every curve.
QPair<QStringList, QList<QList<double>>> shownBy(Form1 *form)
{
    QPair<QStringList, QList<QList<double>>> s;
    s.first =
        texts(form, QStringList{"speaker_r_mode", "Speaker_L", "filter_c_par", "filter_l_par",
                                "zobel_c_par", "zobel_r_par", "zobel_c_ser", "Text_rzobel_power"} +
                        kFigureBoxes)
        << form->windowTitle() << designFileBytes(form->designInputs());
    for (const char *graph : {"CWGraph1", "CWGraph3", "CWGraph4"}) s.second << curveOf(form, graph);
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
        QTest::newRow("pick the item shown") << "pick filter_c_par 1.0" << 0 << "&Undo";
        QTest::newRow("Speaker_L .5, then .55")
            << "type Speaker_L .55" << 2 << "&Undo Speaker L .55";
        QTest::newRow("full bridge twice, then half")
            << "full; full; half" << 2 << "&Undo Half bridge";
        QTest::newRow("load power 8, 80, then refused")
            << "load 80; load x" << 2 << "&Undo Load power 80";
        QTest::newRow("modulation AD") << "full; modulation ad" << 2 << "&Undo Modulation AD";
        QTest::newRow("measured speaker")
            << "measured %1/speaker.txt" << 1 << "&Undo Measured speaker speaker.txt";
        QTest::newRow("new design")
            << "pick zobel_r_par 10; type Speaker_L .5; new" << 3 << "&Undo New design";
    }

    // The steps a change makes and the Undo item's name; every step undone gives back the start-up
    // design and what it showed, every step redone what the change gave.
    void steps()
    {
        QFETCH(QString, script);
        QFETCH(int, steps);
        QFETCH(QString, undo);
        const auto before = shownBy(m_form);
        act(m_form, script.arg(m_dir->path()));
        QCOMPARE(m_form->findChild<QUndoStack *>()->count(), steps);
        QCOMPARE(childNamed<QAction>(m_form, "design_undo")->text(), undo);
        const auto after = shownBy(m_form);
        act(m_form, QString("undo;").repeated(steps));
        QCOMPARE(shownBy(m_form), before);
        act(m_form, QString("redo;").repeated(steps));
        QCOMPARE(shownBy(m_form), after);
    }

    // In the box just typed into, the keys undo and redo the design, not the box's last edit.
    void shortcuts()
    {
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        act(m_form, "pick zobel_r_par 47; type Speaker_L 2");
        for (const Qt::KeyboardModifiers redo : {Qt::ControlModifier | Qt::ShiftModifier,
                                                 Qt::KeyboardModifiers(Qt::ControlModifier)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(texts(m_form, {"Speaker_L", "zobel_r_par"}), (QStringList{".67", "47"}));
            QTest::keyClick(QApplication::focusWidget(),
                            redo & Qt::ShiftModifier ? Qt::Key_Z : Qt::Key_Y, redo);
            QCOMPARE(textOf(m_form, "Speaker_L"), "2");
        }
    }

    // Inputs away from start-up and a measured speaker: saved, opened in a window of its own with
    // the same figures and curves, the figures the network gives; the speaker too.
    void roundTrip()
    {
        act(m_form,
            "full; pick filter_c_par .47; pick zobel_r_par 10; pick zobel_c_par 0; type "
            "Speaker_L .5; load 80; modulation ad; measured " +
                path("speaker.txt") + "; save_as " + path("a.quorvel"));
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save a.quorvel");
        QCOMPARE(QJsonDocument::fromJson(contents(path("a.quorvel"))).object(),
                 startupObject(R"({"topology": "full", "filter_c_par": ".47", "zobel_r_par": "10",
                     "zobel_c_par": "0", "Speaker_L": ".5", "load_power": "80",
                     "modulation": "ad", "load_file": "speaker.txt"})"));
        m_second = openWindow<Form1>();
        act(m_second, "open " + path("a.quorvel"));
        QCOMPARE(shownBy(m_second), shownBy(m_form));
        QCOMPARE(texts(m_second, kFigures), figureTexts(m_second->design(), 80));
        QCOMPARE(m_second->measuredSpeaker()->path(), path("speaker.txt"));
    }

    // A design whose speaker file is gone: the rest of it is opened, the start-up half bridge
    // with what the file holds, its figures as the network gives them; the speaker loaded before,
    // of another design, is let go, and one box tells why the file's own was not loaded.
    void openWithoutItsSpeaker()
    {
        act(m_form, "full; measured " + path("speaker.txt") + "; load 80");
        const auto file = startupObject(R"({"load_file": "gone.txt", "zobel_r_par": "22"})");
        QVERIFY(writeBytes(path("d.quorvel"), QJsonDocument(file).toJson()));
        BoxAnswerer answerer;
        act(m_form, "open " + path("d.quorvel"));
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0][1],
                 QString("%1 was not loaded. \"%1\" does not exist.").arg(path("gone.txt")));
        QCOMPARE(m_form->windowTitle(), "d.quorvel[*] - Quorvel (HALF BRIDGE)");
        QCOMPARE(texts(m_form, kFigures), figureTexts(m_form->design(), 50));
        QVERIFY(!m_form->measuredSpeaker());
    }

    // A write cut short: one box naming the file and the reason; the file is not made and its
    // name not taken.
    void saveFailure()
    {
        BoxAnswerer answerer;
        withFileSizeLimit(100, [this] { act(m_form, "save_as " + path("cut.quorvel")); });
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0][1], path("cut.quorvel") + " was not saved. File too large.");
        QVERIFY(!QFile::exists(path("cut.quorvel")));
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save");
    }

    // Each gain graph: the held design's curve under the live one, both as the network gives them
    // (the panel: tst_looks); cleared, nothing of it left.
    void heldReference()
    {
        act(m_form, "load 20; hold_reference");
        const DesignRecord a = m_form->design();
        act(m_form,
            "full; pick filter_c_par .47; pick zobel_r_par 47; pick zobel_c_ser .22; load 80");
        const DesignRecord b = m_form->design();
        QCOMPARE(childNamed<GraphControl>(m_form, "CWGraph1")->overlayName(0),
                 "reference, 8 ohm + .67 mH");
        const auto near = [](double v, double expected) {
            return std::fabs(v - expected) <= 1e-9 * std::max(1.0, std::fabs(expected));
        };
        for (int i : {1, 70, 330, 1000, 3840})
            for (const char *name : {"CWGraph3", "CWGraph4"}) {
                GraphControl *g = childNamed<GraphControl>(m_form, name);
                const bool zobel = name == QLatin1String("CWGraph4");
                QVERIFY(near(g->overlayY(0, i), reference::gainDb(a, i, zobel)));
                QVERIFY(near(g->curveY(i), reference::gainDb(b, i, zobel)));
            }
        act(m_form, "clear_reference");
        for (const char *name : {"CWGraph1", "CWGraph3", "CWGraph4"})
            QCOMPARE(childNamed<GraphControl>(m_form, name)->overlayCount(), 0);
        QVERIFY(!m_form->findChild<QWidget *>("ReferencePanel"));
    }

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    Form1 *m_form = nullptr;
    QPointer<Form1> m_second;
    std::optional<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestDesignWindow)
#include "tst_designwindow.moc"
