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

const QColor kReferenceGrey(110, 110, 110);  // the reference curves' colour

// Plays a ';'-separated script on the main window and the windows it opens. Beside play()'s steps:
//   load <text>             types the load power into the Power window's box, key by key
//   carrier <box> <text>    types into the carrier window's box (supply, fsw, audio, ...)
//   modulation ad|bd        clicks the carrier window's choice
//   undo | redo | hold | clear | new   the Design menu's items
//   arrow <list> up|down    the arrow key in a list selector: the item above or below is chosen
//   key <chord>             a key chord in the main window's focused input: ctrl+z, ctrl+shift+z, ctrl+y
void act(Form1 *form, const QString &script)
{
    for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(' ');
        const QString &verb = w[0];
        if (verb == "load") {
            if (!form->powerWindow() || !form->powerWindow()->isVisible())
                childNamed<QAction>(form, "power_calcs")->trigger();
            typeOver(childNamed<QLineEdit>(form->powerWindow(), "Text_peak_voltage"), w.value(1));
        } else if (verb == "carrier" || verb == "modulation") {
            if (!form->carrierWindow())
                childNamed<QAction>(form, "carrier_window")->trigger();
            if (verb == "modulation") {
                QTest::mouseClick(childNamed<QRadioButton>(form->carrierWindow(), qPrintable("carrier_modulation_" + w[1])), Qt::LeftButton);
                continue;
            }
            auto *box = childNamed<QLineEdit>(form->carrierWindow(), qPrintable("carrier_" + w[1]));
            typeOver(box, w.value(2));
            if (w.size() == 2)  // emptied
                QTest::keyClick(box, Qt::Key_Backspace);
        } else if (QStringList{"undo", "redo", "new"}.contains(verb)) {
            childNamed<QAction>(form, qPrintable("design_" + verb))->trigger();
        } else if (verb == "hold" || verb == "clear") {
            childNamed<QAction>(form, verb == "hold" ? "design_hold_reference" : "design_clear_reference")->trigger();
        } else if (verb == "arrow") {
            auto *combo = childNamed<QComboBox>(form, qPrintable(w[1]));
            combo->setFocus();
            QTest::keyClick(combo, w[2] == "up" ? Qt::Key_Up : Qt::Key_Down);
        } else if (verb == "key") {
            QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : childNamed<QWidget>(form, "Speaker_L");
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
    s.texts = texts(form, QStringList{"speaker_r_mode", "Speaker_L", "filter_c_par", "filter_l_par", "zobel_c_par", "zobel_r_par", "zobel_c_ser", "Text_rzobel_power"} + kFigureBoxes);
    s.texts << form->windowTitle();
    for (const char *graph : {"CWGraph1", "CWGraph3", "CWGraph4"})
        s.curves << sampled(form, graph);
    if (QWidget *power = form->powerWindow(); power && power->isVisible()) {
        s.texts += texts(power, {"Text_zobel_c_parp", "Text_zobel_r_parp", "Text_zobel_c_serp", "Text_peak_voltage"});
        s.curves << sampled(power, "CWGraph4");
    }
    for (const char *name : {"Schematic", "Schematic_full"})
        if (auto *schematic = form->findChild<QWidget *>(name))
            for (QLabel *label : schematic->findChildren<QLabel *>())
                s.texts << label->objectName() + "=" + label->text();
    if (CarrierWindow *carrier = form->carrierWindow()) {
        for (QLineEdit *box : carrier->findChildren<QLineEdit *>())
            s.texts << box->objectName() + "=" + box->text();
        s.texts << QString::number(childNamed<QRadioButton>(carrier, "carrier_modulation_ad")->isChecked());
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
            return QString("text %1: \"%2\" against \"%3\"").arg(i).arg(a.texts.value(i), b.texts.value(i));
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
        text += QByteArray::number(hz, 'g', 12) + ' ' + QByteArray::number(std::abs(z), 'g', 12) + ' ' + QByteArray::number(std::arg(z) * 180 / M_PI, 'g', 12) + '\n';
    }
    return text;
}

// The 7 kHz dissipation's text for a design: milliwatts cut toward zero.
QString wattsText(const DesignRecord &r, double loadPower)
{
    return QString::number(std::trunc(reference::dissipation(r, loadPower, 70) * 1000) / 1000, 'g', 15) + "W";
}

// The start-up design as a design file holds it.
QJsonObject startupObject()
{
    return {{"format", "quorvel-design"}, {"version", 1}, {"topology", "half"}, {"speaker_r_mode", "8"}, {"filter_c_par", "1.0"},
            {"filter_l_par", "22"}, {"zobel_r_par", "6"}, {"zobel_c_par", ".1"}, {"zobel_c_ser", ".1"}, {"Speaker_L", ".67"},
            {"load_power", "50"}, {"supply", ""}, {"fsw", ""}, {"audio-frequency", "1000"}, {"zobel-rating", ""},
            {"inductor-rating", ""}, {"capacitor-rating", ""}, {"modulation", "bd"}, {"load_file", ""}};
}

// How many pixels of the graph's image are drawn in the reference curves' grey.
int greyPixels(GraphControl *g)
{
    const QImage image = g->image(1.0).convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == kReferenceGrey.rgb();
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
        QTest::newRow("pick Zobel R 10")                    << "pick zobel_r_par 10"          << 1 << "&Undo Zobel R 10";
        QTest::newRow("pick the item shown")                << "pick filter_c_par 1.0"        << 0 << "&Undo";
        QTest::newRow("type Zobel R 1, then 10")            << "type zobel_r_par 10"          << 2 << "&Undo Zobel R 10";
        QTest::newRow("type a non-item into filter C")      << "type filter_c_par 2"          << 0 << "&Undo";
        QTest::newRow("Speaker_L .5, then .55")             << "type Speaker_L .55"           << 2 << "&Undo Speaker L .55";
        QTest::newRow("Speaker_L refused, then lone point") << "paste 1..2; paste ."          << 0 << "&Undo";
        QTest::newRow("full bridge twice, then half")       << "full; full; half"             << 2 << "&Undo Half bridge";
        QTest::newRow("load power 8, 80, then refused")     << "load 80; load x"              << 2 << "&Undo Load power 80";
        QTest::newRow("load power lone point")              << "load ."                       << 0 << "&Undo";
        QTest::newRow("Power window closed at 80 W")        << "load 80; close"               << 3 << "&Undo Load power 50";
        QTest::newRow("supply 2, 20, then 200 refused")     << "carrier supply 200"           << 2 << "&Undo Supply 20";
        QTest::newRow("Zobel rating emptied")               << "carrier zobel_rating 1; carrier zobel_rating" << 2 << "&Undo Zobel rating none";
        QTest::newRow("modulation AD")                      << "full; modulation ad"          << 2 << "&Undo Modulation AD";
        QTest::newRow("new design")                         << "pick zobel_r_par 10; paste .5; new" << 3 << "&Undo New design";
    }

    void steps()
    {
        QFETCH(QString, script);
        QFETCH(int, steps);
        QFETCH(QString, undo);
        auto *stack = m_form->findChild<QUndoStack *>();
        const Shown before = shownBy(m_form);
        const DesignInputs start = m_form->designInputs();
        for (const QString &step : script.split(';'))
            if (step.trimmed() == "close")
                m_form->powerWindow()->close();
            else
                act(m_form, step);
        QCOMPARE(stack->count(), steps);
        QCOMPARE(childNamed<QAction>(m_form, "design_undo")->text(), undo);
        QCOMPARE(childNamed<QAction>(m_form, "design_undo")->isEnabled(), steps > 0);
        QVERIFY(!childNamed<QAction>(m_form, "design_redo")->isEnabled());
        if (!steps)
            return;
        // Every step undone: the start-up design, as shown at start-up; then every step redone.
        const Shown after = shownBy(m_form);
        const QByteArray afterBytes = designFileBytes(m_form->designInputs());
        for (int i = 0; i < steps; ++i)
            act(m_form, "undo");
        QVERIFY(!childNamed<QAction>(m_form, "design_undo")->isEnabled());
        QCOMPARE(designFileBytes(m_form->designInputs()), designFileBytes(start));
        const Shown undone = shownBy(m_form);
        QVERIFY2(undone.texts.mid(0, before.texts.size()) == before.texts, qPrintable(difference(undone, before)));
        QCOMPARE(undone.curves.mid(0, 3), before.curves.mid(0, 3));
        for (int i = 0; i < steps; ++i)
            act(m_form, "redo");
        QCOMPARE(designFileBytes(m_form->designInputs()), afterBytes);
        Shown redone = shownBy(m_form);
        if (script.endsWith("close"))  // closing leaves the 7 kHz figure as it was until the next sweep
            redone.texts[7] = after.texts[7];
        QVERIFY2(redone == after, qPrintable(difference(redone, after)));
    }

    void shortcuts()
    {
        // In the box just typed into: the keys undo and redo the design, not the box's last edit.
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        act(m_form, "pick zobel_r_par 47; type Speaker_L 2");
        QCOMPARE(QApplication::focusWidget(), childNamed<QWidget>(m_form, "Speaker_L"));
        const QStringList changed = texts(m_form, kFigureBoxes);
        for (const char *redo : {"key ctrl+shift+z", "key ctrl+y"}) {
            act(m_form, "key ctrl+z");
            // A step of the design undone, not a new step made by the box undoing its own edit.
            QCOMPARE(childNamed<QAction>(m_form, "design_undo")->text(), "&Undo Zobel R 47");
            QCOMPARE(childNamed<QAction>(m_form, "design_redo")->text(), "Re&do Speaker L 2");
            QCOMPARE(textOf(m_form, "Speaker_L"), ".67");
            QCOMPARE(m_form->design().actual_l_net, 0.67);
            QCOMPARE(textOf(m_form, "zobel_r_par"), "47");
            act(m_form, redo);
            QCOMPARE(textOf(m_form, "Speaker_L"), "2");
            QCOMPARE(texts(m_form, kFigureBoxes), changed);
        }
    }

    void randomUndoRedo_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("actions");
        QTest::newRow("seed 1") << 1u << 110;
        QTest::newRow("seed 2024") << 2024u << 110;
    }

    void randomUndoRedo()
    {
        // Random user changes, undone and redone in random interleavings; after every undo and redo
        // the windows show exactly what they showed when the design was that one before.
        QFETCH(quint32, seed);
        QFETCH(int, actions);
        QRandomGenerator random(seed);
        for (const char *window : {"power_calcs", "carrier_window", "schematic_viewer"})
            childNamed<QAction>(m_form, window)->trigger();
        childNamed<QWidget>(m_form, "Schematic")->hide();
        auto *stack = m_form->findChild<QUndoStack *>();
        QHash<int, Shown> seen{{stack->index(), shownBy(m_form)}};
        bool applying = false;
        int made = 0;
        QObject scope;  // the connection ends with the test
        connect(stack, &QUndoStack::indexChanged, &scope, [&](int index) {
            if (!applying) {
                seen[index] = shownBy(m_form);
                ++made;
            }
        });
        const auto any = [&random](const QStringList &list) { return list[random.bounded(int(list.size()))]; };
        const QStringList lists{"filter_l_par", "filter_c_par", "zobel_c_par", "zobel_r_par", "zobel_c_ser", "speaker_r_mode"};
        int undoRedos = 0;  // undos and redos that moved
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
                case 2: step = "type Speaker_L " + any({".5", "1.2", "2", "0", ".05", "12", "999", "x", "1000", ".75"}); break;
                case 3: step = any({"full", "half", "type zobel_r_par 10", "type zobel_c_par 0", "type speaker_r_mode 4"}); break;
                case 4: step = "load " + any({"80", "100", "5", "20.", "7", "250", "abc"}); break;
                case 5: step = any({"carrier supply 60", "carrier supply 12", "carrier fsw 384", "carrier fsw 600", "carrier audio 2500",
                                    "modulation ad", "modulation bd", "carrier zobel_rating .25"}); break;
                default: step = any({"undo", "undo", "redo", "key ctrl+z", "key ctrl+z", "key ctrl+y", "key ctrl+shift+z"});
            }
            const bool history = step == "undo" || step == "redo" || step.startsWith("key");
            const int was = stack->index();
            applying = history;
            act(m_form, step);
            applying = false;
            if (history && stack->index() != was) {
                ++undoRedos;
                const Shown now = shownBy(m_form);
                QVERIFY2(now == seen.value(stack->index()),
                         qPrintable(QString("after %1 (action %2), step %3: %4").arg(step).arg(i).arg(stack->index()).arg(difference(now, seen.value(stack->index())))));
            }
        }
        qInfo("%d steps made, %d undone or redone", made, undoRedos);
        QVERIFY(made > actions / 4);
        QVERIFY(undoRedos > actions / 5);
    }

    void roundTrip()
    {
        // Every input away from start-up, a measured speaker and a held reference: saved, opened in
        // a window of its own and saved again, byte for byte, with the same figures and curves.
        act(m_form, "full; pick zobel_r_par 47; load 20; hold");
        act(m_form, "pick speaker_r_mode 4; pick filter_c_par .47; pick filter_l_par 10; pick zobel_r_par 10; pick zobel_c_par 0; "
                    "pick zobel_c_ser .22; type Speaker_L .5; load 80; carrier supply 48; carrier fsw 384; carrier audio 2500; "
                    "carrier zobel_rating .25; carrier inductor_rating 3; carrier capacitor_rating 1.5; modulation ad");
        answerFileDialog(path("speaker.txt"));
        childNamed<QAction>(m_form, "measured_load")->trigger();
        saveAs(m_form, path("a.quorvel"));
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save a.quorvel");
        QCOMPARE(QSettings().value("design/recent").toStringList().value(0), path("a.quorvel"));
        QJsonObject reference = startupObject();
        for (const char *key : {"format", "version"})
            reference.remove(key);
        reference["topology"] = "full", reference["zobel_r_par"] = "47", reference["load_power"] = "20";
        const QJsonObject expected{{"format", "quorvel-design"}, {"version", 1}, {"topology", "full"}, {"speaker_r_mode", "4"},
                                   {"filter_c_par", ".47"}, {"filter_l_par", "10"}, {"zobel_r_par", "10"}, {"zobel_c_par", "0"},
                                   {"zobel_c_ser", ".22"}, {"Speaker_L", ".5"}, {"load_power", "80"}, {"supply", "48"}, {"fsw", "384"},
                                   {"audio-frequency", "2500"}, {"zobel-rating", ".25"}, {"inductor-rating", "3"},
                                   {"capacitor-rating", "1.5"}, {"modulation", "ad"}, {"load_file", path("speaker.txt")},
                                   {"reference", reference}};
        QCOMPARE(QJsonDocument::fromJson(contents(path("a.quorvel"))).object(), expected);

        m_second = openWindow<Form1>();
        open(m_second, path("a.quorvel"));
        QCOMPARE(childNamed<QAction>(m_second, "design_undo")->text(), "&Undo Open a.quorvel");
        childNamed<QAction>(m_second, "power_calcs")->trigger();  // both windows open, as in the first
        childNamed<QAction>(m_second, "carrier_window")->trigger();
        QVERIFY2(shownBy(m_second) == shownBy(m_form), qPrintable(difference(shownBy(m_second), shownBy(m_form))));
        const DesignRecord &d = m_second->design();
        QStringList figures;
        for (bool zobel : {false, true})
            for (double v : reference::gainFigures(d, zobel))
                figures << reference::figureText(v);
        QCOMPARE(texts(m_second, kFigureBoxes + QStringList{"Text_rzobel_power"}), figures << wattsText(d, 80));
        QCOMPARE(m_second->measuredSpeaker()->path(), path("speaker.txt"));
        for (const char *graph : {"CWGraph1", "CWGraph3", "CWGraph4"}) {
            GraphControl *mine = childNamed<GraphControl>(m_second, graph), *theirs = childNamed<GraphControl>(m_form, graph);
            QCOMPARE(mine->overlayCount(), theirs->overlayCount());
            for (int k = 0; k < mine->overlayCount(); ++k)  // the file's own 60 points among them
                for (int i : {1, 30, 59})
                    QCOMPARE(mine->overlayY(k, i), theirs->overlayY(k, i));
        }
        QCOMPARE(panelTexts(m_second), panelTexts(m_form));
        // Saved again, to the file it came from: the same bytes.
        const QByteArray saved = contents(path("a.quorvel"));
        QVERIFY(QFile::remove(path("a.quorvel")));
        childNamed<QAction>(m_second, "design_save")->trigger();
        QCOMPARE(contents(path("a.quorvel")), saved);
        // Opening was one step: undone, the start-up design again.
        act(m_second, "undo");
        QCOMPARE(QJsonDocument::fromJson(designFileBytes(m_second->designInputs())).object(), startupObject());
        QVERIFY(!m_second->measuredSpeaker());
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("via");       // the Open dialog, or a Recent item whose file has changed since
        QTest::addColumn<QByteArray>("bytes");  // "(folder)": a folder in its place, "(none)": no file
        QTest::addColumn<QString>("told");
        QSettings().setValue("design/recent", QStringList{badPath()});
        const auto with = [](const char *key, const QJsonValue &value) {
            QJsonObject o = startupObject();
            o[key] = value;
            return QJsonDocument(o).toJson();
        };
        const QByteArray good = QJsonDocument(startupObject()).toJson();
        QTest::newRow("wrong type")      << "dialog" << with("supply", 48) << "The field \"supply\" holds the number 48, not a text.";
        QTest::newRow("refused text")    << "recent" << with("Speaker_L", "1e3")
                                         << "The field \"Speaker_L\" holds \"1e3\", which is not a plain decimal number from 0 to 999 of at most 4 characters.";
        QTest::newRow("duplicated key")  << "recent" << QByteArray(good).replace("{\n", "{\"zobel_r_par\": \"6\",\n") << "The field \"zobel_r_par\" appears twice.";
        QTest::newRow("huge string")     << "recent" << with("load_power", QString(500000, 'x'))
                                         << "The field \"load_power\" holds \"" + QString(40, 'x') + "...\", which is not a plain decimal number from 0 to 999 of at most 3 characters.";
        QTest::newRow("over 1 MB")       << "recent" << with("load_file", QString(1100000, 'x')) << "The file is larger than the 1 MB a design file may have.";
        QTest::newRow("deep nesting")    << "recent" << QByteArray(good).replace("{\n", "{\"x\": [[[[[[[[]]]]]]]],\n")
                                         << "The file nests more than 8 levels deep; a design file nests 2, the design and its reference.";
        QTest::newRow("not JSON")        << "recent" << QByteArray("Topology: Half Bridge\r\n") << "The file is not JSON: illegal value near byte 1.";
        QTest::newRow("0 bytes")         << "recent" << QByteArray() << "The file is empty, not a design file.";
        QTest::newRow("invalid UTF-8")   << "recent" << QByteArray("{\"load_file\": \"\xff\"}") << "The file is not UTF-8 text: byte 16 (0xff) does not belong there.";
        QTest::newRow("newer version")   << "recent" << with("version", 2)
                                         << "The file is of version 2 of the design format, newer than the version 1 this program reads.";
        QTest::newRow("a folder")        << "recent" << QByteArray("(folder)") << "\"" + badPath() + "\" is a folder, not a file.";
        QTest::newRow("gone")            << "recent" << QByteArray("(none)") << "\"" + badPath() + "\" does not exist.";
    }

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
            open(form, badPath());
        } else {
            QAction *item = nullptr;
            for (QAction *a : childNamed<QMenu>(form, "design_recent")->actions())
                if (a->text().endsWith(badPath()))
                    item = a;
            QVERIFY(item);
            item->trigger();
        }
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0], (QStringList{"Quorvel", badPath() + " was not opened. " + told, QString::number(QMessageBox::Warning)}));
        QVERIFY2(shownBy(form) == before, qPrintable(difference(shownBy(form), before)));
        QCOMPARE(form->findChild<QUndoStack *>()->count(), steps);
        QCOMPARE(form->designPath(), QString());
        // A file that is gone is no longer offered (so that row comes last).
        QCOMPARE(QSettings().value("design/recent").toStringList().contains(badPath()), bytes != "(none)");
    }

    void missingFields()
    {
        // Fields missing take their start-up values, in one box; a load file named relative to the
        // design file is the one beside it.
        act(m_form, "full; pick zobel_r_par 47");
        QVERIFY(writeBytes(path("short.quorvel"), R"({"format": "quorvel-design", "version": 1, "zobel_r_par": "10", "Speaker_L": ".5", "load_file": "speaker.txt"})"));
        BoxAnswerer answerer;
        open(m_form, path("short.quorvel"));
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0], (QStringList{"Quorvel",
                                                path("short.quorvel") + " was opened without these fields, which took their start-up values: "
                                                "audio-frequency, capacitor-rating, filter_c_par, filter_l_par, fsw, inductor-rating, "
                                                "load_power, modulation, speaker_r_mode, supply, topology, zobel-rating, zobel_c_par, zobel_c_ser.",
                                                QString::number(QMessageBox::Information)}));
        // The start-up half bridge, not the full bridge shown before; the fields it held.
        QCOMPARE(m_form->windowTitle(), "Quorvel (HALF BRIDGE)");
        QCOMPARE(texts(m_form, {"zobel_r_par", "Speaker_L", "filter_c_par"}), (QStringList{"10", ".5", "1.0"}));
        QStringList figures;
        for (bool zobel : {false, true})
            for (double v : reference::gainFigures(m_form->design(), zobel))
                figures << reference::figureText(v);
        QCOMPARE(texts(m_form, kFigureBoxes), figures);
        QCOMPARE(m_form->measuredSpeaker()->path(), path("speaker.txt"));
        QCOMPARE(childNamed<GraphControl>(m_form, "CWGraph3")->overlayCount(), 1);
    }

    void loadFileGone()
    {
        // Told, and the rest of the design opened; the speaker loaded before belongs to another
        // design and goes too.
        answerFileDialog(path("speaker.txt"));
        childNamed<QAction>(m_form, "measured_load")->trigger();
        QVERIFY(m_form->measuredSpeaker());
        QJsonObject o = startupObject();
        o["load_file"] = "gone.txt";
        o["zobel_r_par"] = "22";
        QVERIFY(writeBytes(path("with-speaker.quorvel"), QJsonDocument(o).toJson()));
        BoxAnswerer answerer;
        open(m_form, path("with-speaker.quorvel"));
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].value(1), QString("%1 was not loaded. \"%1\" does not exist.").arg(path("gone.txt")));
        QVERIFY(!m_form->measuredSpeaker());
        QCOMPARE(childNamed<GraphControl>(m_form, "CWGraph3")->overlayCount(), 0);
        QCOMPARE(textOf(m_form, "zobel_r_par"), "22");
    }

    void saveFailure()
    {
        // A write cut short: one box naming the file and the reason; no file, no name taken.
        BoxAnswerer answerer;
        withFileSizeLimit(100, [this] { saveAs(m_form, path("cut.quorvel")); });
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0], (QStringList{"Quorvel", path("cut.quorvel") + " was not saved. File too large.", QString::number(QMessageBox::Warning)}));
        QVERIFY(!QFile::exists(path("cut.quorvel")));
        QCOMPARE(childNamed<QAction>(m_form, "design_save")->text(), "&Save");
    }

    void heldReference_data()
    {
        // The speaker is the same in both, so that Fig. 1's two curves lie on each other.
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("live");
        QTest::newRow("start-up at 20 W, then full bridge and other parts at 80 W")
            << "load 20" << "full; pick filter_c_par .47; pick zobel_r_par 47; pick zobel_c_ser .22; load 80";
        QTest::newRow("full bridge 4 ohm + .5 mH, then half bridge without Zobel C")
            << "full; pick speaker_r_mode 4; type Speaker_L .5; load 50" << "half; pick zobel_c_par 0; pick filter_l_par 10";
    }

    void heldReference()
    {
        QFETCH(QString, held);
        QFETCH(QString, live);
        act(m_form, held + "; hold");
        const DesignRecord a = m_form->design();
        const double aPower = m_form->loadPower();
        m_form->powerWindow()->close();  // the one loaded next draws the reference too
        act(m_form, live);
        const DesignRecord b = m_form->design();
        const double bPower = m_form->loadPower();
        // Each graph: the reference dashed under the live curve, both as the network gives them.
        const auto near = [](double v, double expected) { return std::fabs(v - expected) <= 1e-9 * std::max(1.0, std::fabs(expected)); };
        for (const char *name : {"CWGraph1", "CWGraph3", "CWGraph4"}) {
            GraphControl *g = childNamed<GraphControl>(m_form, name);
            QCOMPARE(g->overlayCount(), 1);
            for (int i : {1, 200, 330, 3840, 10000}) {
                const auto value = [&](const DesignRecord &r) {
                    return name == QLatin1String("CWGraph1") ? reference::impedance(r, i) : reference::gainDb(r, i, name == QLatin1String("CWGraph4"));
                };
                QVERIFY2(near(g->overlayY(0, i), value(a)), qPrintable(QString("%1 at %2: reference %3, expected %4").arg(name).arg(i).arg(g->overlayY(0, i)).arg(value(a))));
                QVERIFY2(near(g->curveY(i), value(b)), qPrintable(QString("%1 at %2: live %3, expected %4").arg(name).arg(i).arg(g->curveY(i)).arg(value(b))));
            }
        }
        GraphControl *power = childNamed<GraphControl>(m_form->powerWindow(), "CWGraph4");
        QCOMPARE(power->overlayCount(), 1);
        for (int i : {1, 70, 1000}) {
            QVERIFY(std::fabs(power->overlayY(0, i) / reference::dissipation(a, aPower, i) - 1) < 1e-12);
            QVERIFY(std::fabs(power->curveY(i) / reference::dissipation(b, bPower, i) - 1) < 1e-12);
        }
        // On top: on Fig. 1, where the curves coincide, the grey shows only in the legend; on Fig. 2
        // it shows along the curve.
        QVERIFY2(greyPixels(childNamed<GraphControl>(m_form, "CWGraph1")) < 40, qPrintable(QString::number(greyPixels(childNamed<GraphControl>(m_form, "CWGraph1")))));
        QVERIFY(greyPixels(childNamed<GraphControl>(m_form, "CWGraph3")) > 100);
        // The panel: the reference's figures beside the live ones.
        QStringList expected;
        for (const DesignRecord *r : {&a, &b}) {
            for (bool zobel : {false, true})
                for (double v : reference::gainFigures(*r, zobel))
                    expected << reference::figureText(v);
            expected << wattsText(*r, r == &a ? aPower : bPower);
        }
        QCOMPARE(panelTexts(m_form), expected);
        QCOMPARE(expected.mid(7), texts(m_form, kFigureBoxes + QStringList{"Text_rzobel_power"}));
        // Cleared: no reference curve, no panel.
        act(m_form, "clear");
        for (GraphControl *g : {childNamed<GraphControl>(m_form, "CWGraph1"), childNamed<GraphControl>(m_form, "CWGraph3"),
                                childNamed<GraphControl>(m_form, "CWGraph4"), power})
            QCOMPARE(g->overlayCount(), 0);
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
            for (const QString &box : kFigureBoxes + QStringList{"Text_rzobel_power"})
                t << textOf(childNamed<QWidget>(form, "ReferencePanel"), qPrintable(column + box));
        return t;
    }
    void saveAs(Form1 *form, const QString &file)
    {
        answerFileDialog(file);
        childNamed<QAction>(form, "design_save_as")->trigger();
    }
    void open(Form1 *form, const QString &file)
    {
        answerFileDialog(file);
        childNamed<QAction>(form, "design_open")->trigger();
    }

    Form1 *m_form = nullptr;
    QPointer<Form1> m_second;
    QPointer<Form1> m_shared;
    std::optional<QTemporaryDir> m_dir;
    QTemporaryDir m_caseDir;
};

QTEST_MAIN(TestDesignWindow)
#include "tst_designwindow.moc"
