// Design files, undo and redo, and the held reference, through the main window's own widgets:
// the Design menu, Qt's own file dialogs, the Power and carrier windows' boxes typed into key by
// key. Expected figures and curves come from tests/testhelpers.h's reference:: solution of the
// network; expected file contents are written out here.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "testhelpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUndoStack>

namespace {

const QColor kReferenceGrey(110, 110, 110);                          // the reference curves' colour
const char *const kGraphs[] = {"CWGraph1", "CWGraph3", "CWGraph4"};  // Fig. 1 to 3

// Plays a ';'-separated script on the main window and the windows it opens. Beside play()'s steps:
//   load <text> | close     types the load power into the Power window's box; closes that window
//   carrier <box> [<text>]  types into the carrier window's box (supply, fsw, ...), or empties it
//   modulation ad|bd        clicks the carrier window's choice
//   undo | redo | new | hold | clear   the Design menu's items
//   open | save-as | measured <path>   Open, Save As, or the measured speaker's Load, and its
//   dialog arrow <list> up|down    the arrow key in a list selector: the item above or below is
//   chosen key <chord>             a key chord in the main window's focused input: ctrl+z,
//   ctrl+shift+z, ctrl+y
void act(Form1 *form, const QString &script)
{
    static const QMap<QString, const char *> items{{"undo", "design_undo"},
                                                   {"redo", "design_redo"},
                                                   {"new", "design_new"},
                                                   {"hold", "design_hold_reference"},
                                                   {"clear", "design_clear_reference"},
                                                   {"open", "design_open"},
                                                   {"save-as", "design_save_as"},
                                                   {"measured", "measured_load"}};
    for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(' ');
        const QString &verb = w[0];
        if (items.contains(verb)) {
            if (w.size() > 1)
                answerFileDialog(w[1]);
            childNamed<QAction>(form, items[verb])->trigger();
        } else if (verb == "load") {
            if (!form->powerWindow() || !form->powerWindow()->isVisible())
                childNamed<QAction>(form, "power_calcs")->trigger();
            typeOver(childNamed<QLineEdit>(form->powerWindow(), "Text_peak_voltage"), w.value(1));
        } else if (verb == "close") {
            form->powerWindow()->close();
        } else if (verb == "carrier" || verb == "modulation") {
            if (!form->carrierWindow())
                childNamed<QAction>(form, "carrier_window")->trigger();
            if (verb == "modulation") {
                QTest::mouseClick(
                    childNamed<QRadioButton>(form->carrierWindow(),
                                             qPrintable("carrier_modulation_" + w[1])),
                    Qt::LeftButton);
                continue;
            }
            auto *box = childNamed<QLineEdit>(form->carrierWindow(), qPrintable("carrier_" + w[1]));
            typeOver(box, w.value(2));
            if (w.size() == 2)  // emptied
                QTest::keyClick(box, Qt::Key_Backspace);
        } else if (verb == "arrow") {
            auto *combo = childNamed<QComboBox>(form, qPrintable(w[1]));
            combo->setFocus();
            QTest::keyClick(combo, w[2] == "up" ? Qt::Key_Up : Qt::Key_Down);
        } else if (verb == "key") {
            QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget()
                                                         : childNamed<QWidget>(form, "Speaker_L");
            const QKeySequence chord(w[1]);
            QTest::keyClick(focus, Qt::Key(chord[0].key()), chord[0].keyboardModifiers());
        } else {
            play(form, step);
        }
    }
}

// The named graph's curve at every 37th point and its last (any change of the design moves the
// curves everywhere): x and y in turn, with the number of points first.
QList<double> sampled(QObject *window, const char *graph)
{
    auto *g = childNamed<GraphControl>(window, graph);
    const int n = g->curveSize();
    QList<double> points{double(n)};
    for (int i = 0; i < n; i = i == n - 1 ? n : std::min(i + 37, n - 1))
        points << g->curveX(i) << g->curveY(i);
    return points;
}

// Everything the windows show of a design: inputs, figure boxes, the Power window's boxes while it
// is on screen, the schematic labels, the carrier window's boxes and table, and every curve.
struct Shown {
    QStringList texts;
    QList<QList<double>> curves;
    bool operator==(const Shown &) const = default;
};

Shown shownBy(Form1 *form)
{
    Shown s;
    s.texts =
        texts(form, QStringList{"speaker_r_mode", "Speaker_L", "filter_c_par", "filter_l_par",
                                "zobel_c_par", "zobel_r_par", "zobel_c_ser", "Text_rzobel_power"} +
                        kFigureBoxes);
    s.texts << form->windowTitle();
    for (const char *graph : kGraphs) s.curves << sampled(form, graph);
    if (QWidget *power = form->powerWindow(); power && power->isVisible()) {
        s.texts += texts(power, {"Text_zobel_c_parp", "Text_zobel_r_parp", "Text_zobel_c_serp",
                                 "Text_peak_voltage"});
        s.curves << sampled(power, "CWGraph4");
    }
    for (const char *name : {"Schematic", "Schematic_full"})
        if (auto *schematic = form->findChild<QWidget *>(name))
            for (QLabel *label : schematic->findChildren<QLabel *>())
                s.texts << label->objectName() + "=" + label->text();
    if (CarrierWindow *carrier = form->carrierWindow()) {
        for (QLineEdit *box : carrier->findChildren<QLineEdit *>())
            s.texts << box->objectName() + "=" + box->text();
        s.texts << QString::number(
            childNamed<QRadioButton>(carrier, "carrier_modulation_ad")->isChecked());
        auto *table = childNamed<QTableWidget>(carrier, "carrier_table");
        for (int r = 0; table->isVisible() && r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                s.texts << (table->item(r, c) ? table->item(r, c)->text() : "-");
        s.curves << sampled(carrier, "carrier_loss");
    }
    return s;
}

// What differs between two views, for a failure message.
QString difference(const Shown &a, const Shown &b)
{
    for (qsizetype i = 0; i < std::max(a.texts.size(), b.texts.size()); ++i)
        if (a.texts.value(i) != b.texts.value(i))
            return QString("text %1: \"%2\" against \"%3\"")
                .arg(i)
                .arg(a.texts.value(i), b.texts.value(i));
    for (qsizetype i = 0; i < std::min(a.curves.size(), b.curves.size()); ++i)
        if (a.curves[i] != b.curves[i])
            return QString("curve %1").arg(i);
    return a.curves.size() == b.curves.size() ? QString() : "the number of curves";
}

// A speaker's impedance file: 6 ohm + 0.4 mH, magnitude and phase at 60 points.
QByteArray speakerFile()
{
    QByteArray text = "* Hz ohm deg\n";
    for (int i = 0; i < 60; ++i) {
        const double hz = 20 * std::pow(1000.0, i / 59.0);
        const std::complex<double> z(6, 2 * M_PI * hz * 0.4e-3);
        text += QByteArray::number(hz, 'g', 12) + ' ' + QByteArray::number(std::abs(z), 'g', 12) +
                ' ' + QByteArray::number(std::arg(z) * 180 / M_PI, 'g', 12) + '\n';
    }
    return text;
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
    return t << QString::number(std::trunc(reference::dissipation(r, loadPower, 70) * 1000) / 1000,
                                'g', 15) +
                    "W";
}

// The start-up design as a design file holds it, with some fields changed.
QJsonObject startupObject(const QJsonObject &changes = {})
{
    QJsonObject o{{"format", "quorvel-design"},
                  {"version", 1},
                  {"topology", "half"},
                  {"speaker_r_mode", "8"},
                  {"filter_c_par", "1.0"},
                  {"filter_l_par", "22"},
                  {"zobel_r_par", "6"},
                  {"zobel_c_par", ".1"},
                  {"zobel_c_ser", ".1"},
                  {"Speaker_L", ".67"},
                  {"load_power", "50"},
                  {"supply", ""},
                  {"fsw", ""},
                  {"audio-frequency", "1000"},
                  {"zobel-rating", ""},
                  {"inductor-rating", ""},
                  {"capacitor-rating", ""},
                  {"modulation", "bd"},
                  {"load_file", ""}};
    for (auto it = changes.begin(); it != changes.end(); ++it) o[it.key()] = it.value();
    return o;
}

// How many pixels of the graph's image are drawn in the reference curves' grey.
int greyPixels(GraphControl *g)
{
    const QImage image = g->image(1.0).convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == kReferenceGrey.rgb();
    return n;
}

}  // namespace

class TestDesignWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().remove("design/recent");
    }
    void init()
    {
        m_dir.emplace();
        QVERIFY(writeBytes(path("speaker.txt"), speakerFile()));
        // The refusals share one window: each leaves it as it was.
        if (QTest::currentTestFunction() != QLatin1String("refusals"))
            m_form = openWindow<Form1>();
    }
    void cleanup()
    {
        delete m_form;
        m_form = nullptr;
        delete m_second;
    }
    void cleanupTestCase() { delete m_shared; }

    void steps_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("undo");  // the Undo item's text afterwards
        QTest::newRow("pick Zobel R 10") << "pick zobel_r_par 10" << 1 << "&Undo Zobel R 10";
        QTest::newRow("pick the item shown") << "pick filter_c_par 1.0" << 0 << "&Undo";
        QTest::newRow("type Zobel R 1, then 10")
            << "type zobel_r_par 10" << 2 << "&Undo Zobel R 10";
        QTest::newRow("type a non-item into filter C") << "type filter_c_par 2" << 0 << "&Undo";
        QTest::newRow("Speaker_L .5, then .55")
            << "type Speaker_L .55" << 2 << "&Undo Speaker L .55";
        QTest::newRow("Speaker_L refused, then lone point")
            << "paste 1..2; paste ." << 0 << "&Undo";
        QTest::newRow("full bridge twice, then half")
            << "full; full; half" << 2 << "&Undo Half bridge";
        QTest::newRow("load power 8, 80, then refused")
            << "load 80; load x" << 2 << "&Undo Load power 80";
        QTest::newRow("load power lone point") << "load ." << 0 << "&Undo";
        QTest::newRow("Power window closed at 80 W")
            << "load 80; close" << 3 << "&Undo Load power 50";
        QTest::newRow("supply 2, 20, then 200 refused")
            << "carrier supply 200" << 2 << "&Undo Supply 20";
        QTest::newRow("Zobel rating emptied")
            << "carrier zobel_rating 1; carrier zobel_rating" << 2 << "&Undo Zobel rating none";
        QTest::newRow("modulation AD") << "full; modulation ad" << 2 << "&Undo Modulation AD";
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
        const DesignInputs start = m_form->designInputs();
        act(m_form, script);
        QCOMPARE(m_form->findChild<QUndoStack *>()->count(), steps);
        QCOMPARE(childNamed<QAction>(m_form, "design_undo")->text(), undo);
        QCOMPARE(childNamed<QAction>(m_form, "design_undo")->isEnabled(), steps > 0);
        QVERIFY(!childNamed<QAction>(m_form, "design_redo")->isEnabled());
        if (!steps)
            return;
        const Shown after = shownBy(m_form);
        const QByteArray afterBytes = designFileBytes(m_form->designInputs());
        act(m_form, QString("undo;").repeated(steps));
        QVERIFY(!childNamed<QAction>(m_form, "design_undo")->isEnabled());
        QCOMPARE(designFileBytes(m_form->designInputs()), designFileBytes(start));
        const Shown undone = shownBy(m_form);
        QVERIFY2(undone.texts.mid(0, before.texts.size()) == before.texts,
                 qPrintable(difference(undone, before)));
        QCOMPARE(undone.curves.mid(0, 3), before.curves.mid(0, 3));
        act(m_form, QString("redo;").repeated(steps));
        QCOMPARE(designFileBytes(m_form->designInputs()), afterBytes);
        const Shown redone = shownBy(m_form);
        QVERIFY2(redone == after, qPrintable(difference(redone, after)));
    }

    // In the box just typed into, the keys undo and redo the design, not the box's last edit.
    void shortcuts()
    {
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        const QStringList startup = texts(m_form, kFigureBoxes);
        act(m_form, "pick zobel_r_par 47; type Speaker_L 2");
        QCOMPARE(QApplication::focusWidget(), childNamed<QWidget>(m_form, "Speaker_L"));
        const QStringList changed = texts(m_form, kFigureBoxes);
        for (const char *redo : {"key ctrl+shift+z", "key ctrl+y"}) {
            act(m_form, "key ctrl+z");
            // A step of the design undone, not a new step made by the box undoing its own edit.
            QCOMPARE(childNamed<QAction>(m_form, "design_undo")->text(), "&Undo Zobel R 47");
            QCOMPARE(childNamed<QAction>(m_form, "design_redo")->text(), "Re&do Speaker L 2");
            QCOMPARE(texts(m_form, {"Speaker_L", "zobel_r_par"}), (QStringList{".67", "47"}));
            QCOMPARE(m_form->design().actual_l_net, 0.67);
            act(m_form, redo);
            QCOMPARE(textOf(m_form, "Speaker_L"), "2");
            QCOMPARE(texts(m_form, kFigureBoxes), changed);
        }
        act(m_form, "key ctrl+n");  // New, from the keyboard: one step back to the start-up design
        QCOMPARE(texts(m_form, QStringList{"Speaker_L", "zobel_r_par"} + kFigureBoxes),
                 QStringList({".67", "6"}) + startup);
        QCOMPARE(childNamed<QAction>(m_form, "design_undo")->text(), "&Undo New design");
        auto *zobelR =
            childNamed<QComboBox>(m_form, "zobel_r_par");  // its list opens on the item shown
        QCOMPARE(zobelR->currentIndex(), zobelR->findText("6"));
    }

    void randomUndoRedo_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::newRow("seed 1") << 1u;
        QTest::newRow("seed 2024") << 2024u;
    }

    // Random user changes, undone and redone in random interleavings; after every undo and redo
    // the windows show exactly what they showed when the design was that one before.
    void randomUndoRedo()
    {
        QFETCH(quint32, seed);
        const int actions = 110;
        QRandomGenerator random(seed);
        for (const char *window : {"power_calcs", "carrier_window", "schematic_viewer"})
            childNamed<QAction>(m_form, window)->trigger();
        childNamed<QWidget>(m_form, "Schematic")->hide();
        auto *stack = m_form->findChild<QUndoStack *>();
        QHash<int, Shown> seen{{stack->index(), shownBy(m_form)}};
        bool applying = false;
        int made = 0, undoRedos = 0;  // steps made; undos and redos that moved
        QObject scope;                // the connection ends with the test
        connect(stack, &QUndoStack::indexChanged, &scope, [&](int index) {
            if (!applying)
                seen[index] = shownBy(m_form), ++made;
        });
        const auto any = [&random](const QStringList &list) {
            return list[random.bounded(int(list.size()))];
        };
        const QStringList lists{"filter_l_par", "filter_c_par", "zobel_c_par",
                                "zobel_r_par",  "zobel_c_ser",  "speaker_r_mode"};
        for (int i = 0; i < actions; ++i) {
            QString step;
            switch (random.bounded(12)) {
                case 0: {
                    const QString list = any(lists);
                    auto *combo = childNamed<QComboBox>(m_form, qPrintable(list));
                    step = "pick " + list + " " + combo->itemText(random.bounded(combo->count()));
                    break;
                }
                case 1: step = "arrow " + any(lists) + any({" up", " down"}); break;
                case 2:
                    step = "type Speaker_L " +
                           any({".5", "1.2", "2", "0", ".05", "12", "999", "x", "1000", ".75"});
                    break;
                case 3:
                    step = any({"full", "half", "type zobel_r_par 10", "type zobel_c_par 0",
                                "type speaker_r_mode 4"});
                    break;
                case 4: step = "load " + any({"80", "100", "5", "20.", "7", "250", "abc"}); break;
                case 5:
                    step = any({"carrier supply 60", "carrier supply 12", "carrier fsw 384",
                                "carrier fsw 600", "carrier audio 2500", "modulation ad",
                                "modulation bd", "carrier zobel_rating .25"});
                    break;
                default:
                    step = any({"undo", "undo", "redo", "key ctrl+z", "key ctrl+z", "key ctrl+y",
                                "key ctrl+shift+z"});
            }
            const bool history = step == "undo" || step == "redo" || step.startsWith("key");
            const int was = stack->index();
            applying = history;
            act(m_form, step);
            applying = false;
            if (history && stack->index() != was) {
                ++undoRedos;
                const Shown now = shownBy(m_form), then = seen.value(stack->index());
                QVERIFY2(now == then, qPrintable(QString("after %1 (action %2), step %3: %4")
                                                     .arg(step)
                                                     .arg(i)
                                                     .arg(stack->index())
                                                     .arg(difference(now, then))));
            }
        }
        qInfo("%d steps made, %d undone or redone", made, undoRedos);
        QVERIFY(made > actions / 4);
        QVERIFY(undoRedos > actions / 5);
    }

    // Every input away from start-up, a measured speaker and a held reference: saved, opened in a
    // window of its own and saved again, byte for byte, with the same figures and curves.
    void roundTrip()
    {
        QStringList older;  // a full Recent menu, whose last file goes when a.quorvel comes first
        for (int i = 1; i <= 8; ++i) older << QString("/old/%1.quorvel").arg(i);
        QSettings().setValue("design/recent", older);
        act(m_form, "full; pick zobel_r_par 47; load 20; hold");
        act(m_form,
            "pick speaker_r_mode 4; pick filter_c_par .47; pick filter_l_par 10; pick zobel_r_par "
            "10; pick zobel_c_par 0; "
            "pick zobel_c_ser .22; type Speaker_L .5; load 80; carrier supply 48; carrier fsw 384; "
            "carrier audio 2500; "
            "carrier zobel_rating .25; carrier inductor_rating 3; carrier capacitor_rating 1.5; "
            "modulation ad; "
            "measured " +
                path("speaker.txt") + "; save-as " + path("a.quorvel"));
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save a.quorvel");
        QCOMPARE(QSettings().value("design/recent").toStringList(),
                 QStringList{path("a.quorvel")} + older.mid(0, 7));
        QJsonObject reference =
            startupObject({{"topology", "full"}, {"zobel_r_par", "47"}, {"load_power", "20"}});
        reference.remove("format"), reference.remove("version");
        const QJsonObject expected{{"format", "quorvel-design"},
                                   {"version", 1},
                                   {"topology", "full"},
                                   {"speaker_r_mode", "4"},
                                   {"filter_c_par", ".47"},
                                   {"filter_l_par", "10"},
                                   {"zobel_r_par", "10"},
                                   {"zobel_c_par", "0"},
                                   {"zobel_c_ser", ".22"},
                                   {"Speaker_L", ".5"},
                                   {"load_power", "80"},
                                   {"supply", "48"},
                                   {"fsw", "384"},
                                   {"audio-frequency", "2500"},
                                   {"zobel-rating", ".25"},
                                   {"inductor-rating", "3"},
                                   {"capacitor-rating", "1.5"},
                                   {"modulation", "ad"},
                                   {"load_file", "speaker.txt"},  // beside it
                                   {"reference", reference}};
        QCOMPARE(QJsonDocument::fromJson(contents(path("a.quorvel"))).object(), expected);

        m_second = openWindow<Form1>();
        act(m_second, "open " + path("a.quorvel"));
        QCOMPARE(childNamed<QAction>(m_second, "design_undo")->text(), "&Undo Open a.quorvel");
        childNamed<QAction>(m_second, "power_calcs")
            ->trigger();  // both windows open, as in the first
        childNamed<QAction>(m_second, "carrier_window")->trigger();
        QVERIFY2(shownBy(m_second) == shownBy(m_form),
                 qPrintable(difference(shownBy(m_second), shownBy(m_form))));
        QCOMPARE(texts(m_second, kFigures), figureTexts(m_second->design(), 80));
        QCOMPARE(m_second->measuredSpeaker()->path(), path("speaker.txt"));
        for (const char *graph : kGraphs) {
            GraphControl *mine = childNamed<GraphControl>(m_second, graph),
                         *theirs = childNamed<GraphControl>(m_form, graph);
            QCOMPARE(mine->overlayCount(), theirs->overlayCount());
            for (int k = 0; k < mine->overlayCount(); ++k)  // the file's own 60 points among them
                for (int i : {1, 30, 59}) QCOMPARE(mine->overlayY(k, i), theirs->overlayY(k, i));
        }
        QCOMPARE(panelTexts(m_second), panelTexts(m_form));
        // Saved again, to the file it came from: the same bytes.
        const QByteArray saved = contents(path("a.quorvel"));
        QVERIFY(QFile::remove(path("a.quorvel")));
        childNamed<QAction>(m_second, "design_save")->trigger();
        QCOMPARE(contents(path("a.quorvel")), saved);
        // Opening was one step: undone, the start-up design again.
        act(m_second, "undo");
        QCOMPARE(QJsonDocument::fromJson(designFileBytes(m_second->designInputs())).object(),
                 startupObject());
        QVERIFY(!m_second->measuredSpeaker());
    }

    void refusals_data()
    {
        QTest::addColumn<QString>(
            "via");  // the Open dialog, or a Recent item whose file has changed since
        QTest::addColumn<QByteArray>(
            "bytes");  // "(folder)": a folder in its place, "(none)": no file
        QTest::addColumn<QString>("told");
        QSettings().setValue("design/recent", QStringList{badPath()});
        QTest::newRow("wrong type")
            << "dialog" << QJsonDocument(startupObject({{"supply", 48}})).toJson()
            << "The field \"supply\" holds the number 48, not a text.";
        QTest::newRow("refused text")
            << "recent" << QJsonDocument(startupObject({{"Speaker_L", "1e3"}})).toJson()
            << "The field \"Speaker_L\" holds \"1e3\", which is not a plain decimal number from 0 "
               "to 999 of at most 4 characters.";
        QTest::newRow("a folder") << "recent" << QByteArray("(folder)")
                                  << "\"" + badPath() + "\" is a folder, not a file.";
        QTest::newRow("gone") << "recent" << QByteArray("(none)")
                              << "\"" + badPath() + "\" does not exist.";
    }

    // One warning naming the file; the design, its steps and its file name stay as they were.
    void refusals()
    {
        QFETCH(QString, via);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, told);
        QFile::remove(badPath());
        QDir().rmdir(badPath());
        if (bytes == "(folder)")
            QVERIFY(QDir().mkdir(badPath()));
        else if (bytes != "(none)")
            QVERIFY(writeBytes(badPath(), bytes));
        if (!m_shared) {
            m_shared = openWindow<Form1>();
            act(m_shared, "full; pick zobel_r_par 10; type Speaker_L .5; load 80");
        }
        Form1 *form = m_shared;
        const Shown before = shownBy(form);
        const int steps = form->findChild<QUndoStack *>()->count();
        BoxAnswerer answerer;
        if (via == "dialog") {
            act(form, "open " + badPath());
        } else {
            QAction *item = nullptr;
            for (QAction *a : childNamed<QMenu>(form, "design_recent")->actions())
                if (a->text().endsWith(badPath()))
                    item = a;
            QVERIFY(item);
            item->trigger();
        }
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0], (QStringList{"Quorvel", badPath() + " was not opened. " + told,
                                                QString::number(QMessageBox::Warning)}));
        QVERIFY2(shownBy(form) == before, qPrintable(difference(shownBy(form), before)));
        QCOMPARE(form->findChild<QUndoStack *>()->count(), steps);
        QCOMPARE(form->designPath(), QString());
        // A file that is gone is no longer offered (so that row comes last).
        QCOMPARE(QSettings().value("design/recent").toStringList().contains(badPath()),
                 bytes != "(none)");
    }

    void opens_data()
    {
        QTest::addColumn<QString>(
            "before");  // the design shown before; %1: the folder of the file and of speaker.txt
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("told");  // the one box's text and icon
        QTest::addColumn<int>("icon");
        QTest::addColumn<QStringList>("inputs");  // Zobel R, Speaker L, filter C afterwards
        QTest::addColumn<bool>("measured");       // speaker.txt loaded afterwards
        QTest::newRow("fields missing, a load file beside the design file")
            << "full; pick zobel_r_par 47"
            << QByteArray(
                   R"({"format": "quorvel-design", "version": 1, "zobel_r_par": "10", "Speaker_L": ".5", "load_file": "speaker.txt"})")
            << "%1/d.quorvel was opened without these fields, which took their start-up values: "
               "audio-frequency, capacitor-rating, filter_c_par, filter_l_par, "
               "fsw, inductor-rating, load_power, modulation, speaker_r_mode, supply, topology, "
               "zobel-rating, zobel_c_par, zobel_c_ser."
            << int(QMessageBox::Information) << QStringList{"10", ".5", "1.0"} << true;
        // The rest of the design is opened; the speaker loaded before belongs to another design.
        QTest::newRow("the load file gone")
            << "full; measured %1/speaker.txt"
            << QJsonDocument(startupObject({{"load_file", "gone.txt"}, {"zobel_r_par", "22"}}))
                   .toJson()
            << "%1/gone.txt was not loaded. \"%1/gone.txt\" does not exist."
            << int(QMessageBox::Warning) << QStringList{"22", ".67", "1.0"} << false;
    }

    // One box tells what the file lacked; the start-up half bridge with what the file holds, its
    // figures as the network gives them.
    void opens()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, file);
        QFETCH(QString, told);
        QFETCH(int, icon);
        QFETCH(QStringList, inputs);
        QFETCH(bool, measured);
        act(m_form, QString(before).replace("%1", m_dir->path()));
        QVERIFY(writeBytes(path("d.quorvel"), file));
        BoxAnswerer answerer;
        act(m_form, "open " + path("d.quorvel"));
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0],
                 (QStringList{"Quorvel", told.arg(m_dir->path()), QString::number(icon)}));
        QCOMPARE(m_form->windowTitle(), "d.quorvel[*] - Quorvel (HALF BRIDGE)");
        QCOMPARE(texts(m_form, {"zobel_r_par", "Speaker_L", "filter_c_par"}), inputs);
        QCOMPARE(texts(m_form, kFigures), figureTexts(m_form->design(), 50));
        QCOMPARE(m_form->measuredSpeaker() ? m_form->measuredSpeaker()->path() : "none",
                 measured ? path("speaker.txt") : "none");
        QCOMPARE(childNamed<GraphControl>(m_form, "CWGraph3")->overlayCount(), int(measured));
    }

    // A write cut short: one box naming the file and the reason; no file, no name taken.
    void saveFailure()
    {
        BoxAnswerer answerer;
        withFileSizeLimit(100, [this] { act(m_form, "save-as " + path("cut.quorvel")); });
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0],
                 (QStringList{"Quorvel", path("cut.quorvel") + " was not saved. File too large.",
                              QString::number(QMessageBox::Warning)}));
        QVERIFY(!QFile::exists(path("cut.quorvel")));
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save");
    }

    void heldReference_data()
    {
        // The speaker is the same in both, so that Fig. 1's two curves lie on each other.
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("live");
        QTest::newRow("start-up at 20 W, then full bridge and other parts at 80 W")
            << "load 20"
            << "full; pick filter_c_par .47; pick zobel_r_par 47; pick zobel_c_ser .22; load 80";
        QTest::newRow("full bridge 4 ohm + .5 mH, then half bridge without Zobel C")
            << "full; pick speaker_r_mode 4; type Speaker_L .5; load 50"
            << "half; pick zobel_c_par 0; pick filter_l_par 10";
    }

    void heldReference()
    {
        QFETCH(QString, held);
        QFETCH(QString, live);
        act(m_form, held + "; hold");
        const DesignRecord a = m_form->design();
        const double aPower = m_form->loadPower();
        act(m_form, "close; " + live);  // the Power window loaded next draws the reference too
        const DesignRecord b = m_form->design();
        const double bPower = m_form->loadPower();
        // Each graph: the reference dashed under the live curve, both as the network gives them.
        const auto near = [](double v, double expected, const QString &what) {
            QVERIFY2(std::fabs(v - expected) <= 1e-9 * std::max(1.0, std::fabs(expected)),
                     qPrintable(QString("%1 %2, expected %3").arg(what).arg(v).arg(expected)));
        };
        for (const char *name : kGraphs) {
            GraphControl *g = childNamed<GraphControl>(m_form, name);
            QCOMPARE(g->overlayCount(), 1);
            QCOMPARE(g->overlayName(0), QString("reference, %1 ohm").arg(a.jspeaker_r) +
                                            (name == QLatin1String("CWGraph1")
                                                 ? QString(" + %1 mH").arg(a.speaker_l_valtxt)
                                                 : ""));
            for (int i : {1, 200, 330, 3840, 10000}) {
                const auto value = [&](const DesignRecord &r) {
                    return name == QLatin1String("CWGraph1")
                               ? reference::impedance(r, i)
                               : reference::gainDb(r, i, name == QLatin1String("CWGraph4"));
                };
                near(g->overlayY(0, i), value(a), QString("%1 at %2: reference").arg(name).arg(i));
                near(g->curveY(i), value(b), QString("%1 at %2: live").arg(name).arg(i));
            }
        }
        childNamed<QAction>(m_form, "power_calcs")->trigger();
        GraphControl *power = childNamed<GraphControl>(m_form->powerWindow(), "CWGraph4");
        QCOMPARE(power->overlayCount(), 1);
        for (int i : {1, 70, 1000}) {
            QVERIFY(std::fabs(power->overlayY(0, i) / reference::dissipation(a, aPower, i) - 1) <
                    1e-12);
            QVERIFY(std::fabs(power->curveY(i) / reference::dissipation(b, bPower, i) - 1) < 1e-12);
        }
        // On top: on Fig. 1, where the curves coincide, the grey shows only in the legend; on Fig.
        // 2 it shows along the curve.
        const int fig1Grey = greyPixels(childNamed<GraphControl>(m_form, "CWGraph1"));
        QVERIFY2(fig1Grey < 40, qPrintable(QString::number(fig1Grey)));
        QVERIFY(greyPixels(childNamed<GraphControl>(m_form, "CWGraph3")) > 100);
        // The panel: the reference's figures beside the live ones, which are the main window's.
        QCOMPARE(panelTexts(m_form), figureTexts(a, aPower) + figureTexts(b, bPower));
        QCOMPARE(texts(m_form, kFigures), figureTexts(b, bPower));
        // Cleared: no reference curve, no panel.
        act(m_form, "clear");
        for (const char *name : kGraphs)
            QCOMPARE(childNamed<GraphControl>(m_form, name)->overlayCount(), 0);
        QCOMPARE(power->overlayCount(), 0);
        QVERIFY(!m_form->findChild<QWidget *>("ReferencePanel"));
        QVERIFY(!childNamed<QAction>(m_form, "design_clear_reference")->isEnabled());
        QVERIFY(!m_form->heldReference());
    }

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // A file the refusals open from the Recent menu, in a folder that outlives each row.
    QString badPath() const { return m_caseDir.filePath("bad.quorvel"); }
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
    QPointer<Form1> m_shared;
    std::optional<QTemporaryDir> m_dir;
    QTemporaryDir m_caseDir;
};

QTEST_MAIN(TestDesignWindow)
#include "tst_designwindow.moc"
