// The parts library: what a library file's parts may be, each refusal as its one sentence; and the
// Parts window driven as a user would, its parts reaching the main window's selectors, the design
// and its undo steps, and library files.
#include "app/form1.h"
#include "core/carrier/carriertable.h"
#include "core/measured/measuredcurves.h"
#include "core/network/analysis.h"
#include "core/network/loadcompare.h"
#include "core/network/parasitics.h"
#include "core/parts/partslibrary.h"
#include "testhelpers.h"

#include <QJsonDocument>

namespace {

// A library file holding these parts (a JSON list's items).
QByteArray libraryFile(const QByteArray &parts, int version = 1)
{
    return R"({"format": "quorvel-parts", "version": )" + QByteArray::number(version) +
           R"(, "parts": [)" + parts + "]}";
}

const QByteArray kInductor33 = R"({"kind": "inductor", "value": "33", "saturation": [[5, 1], )"
                               R"([6.7, 0.8]]})";

QWidget *partsWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "PartsWindow" && w->isVisible())
            return w;
    qFatal("no Parts window");
}

void click(QWidget *window, const char *button)
{
    QTest::mouseClick(childNamed<QPushButton>(window, button), Qt::LeftButton);
}

void selectRow(QWidget *window, const char *table, int row)
{
    childNamed<QTableWidget>(window, table)->selectRow(row);
}

QStringList items(QComboBox *box)
{
    QStringList t;
    for (int i = 0; i < box->count(); ++i) t << box->itemText(i);
    return t;
}

}  // namespace

class TestParts : public QObject
{
    Q_OBJECT

private slots:
    void network_data()
    {
        QTest::addColumn<int>("row");
        for (const PartsDesign &d : kPartsDesigns) QTest::newRow(d.name) << int(&d - kPartsDesigns);
    }

    // Fig. 2, Fig. 3 and the output impedance of designs with parasitics against the network
    // solved in the test, from 100 Hz to 1 MHz (ngspice agrees: tst_netlists); point 0 stays
    // (0 Hz, 0 dB); the damping factor at 1 kHz.
    void network()
    {
        QFETCH(int, row);
        const PartsDesign &r = kPartsDesigns[row];
        DesignAnalysis a;
        analyseDesign(partsDesign(r), 30, a, kAllAnalysisParts | AnalysisPart::OutputImpedance);
        for (const Curve *c : {&a.gain, &a.gainZobel})
            QCOMPARE((std::tuple{c->x[0], c->y[0], c->x[kSweepPoints]}),
                     (std::tuple{0.0, 0.0, 1e6}));
        for (int i : {1, 10, 37, 333, 1000, 2500, 4001, 7777, 10000}) {
            const double w = gridOmega(i);
            QCOMPARE_LE(std::fabs(a.gain.y[i] - partsFigureAt(r, w, false, false)), 1e-9);
            QCOMPARE_LE(std::fabs(a.gainZobel.y[i] - partsFigureAt(r, w, true, false)), 1e-9);
            QCOMPARE_LE(std::fabs(a.outputImpedance.y[i] / partsFigureAt(r, w, false, true) - 1),
                        1e-9);
        }
        // Compare Loads: each compared resistance in place of the speaker's, the parts kept.
        for (const GainGraph graph : {GainGraph::plain, GainGraph::zobel}) {
            LoadCurves loads;
            sweepComparedLoads(partsDesign(r), graph, loads);
            const std::vector<int> &points = comparedGridPoints();
            for (std::size_t k = 0; k < kComparedLoads.size(); ++k)
                for (std::size_t j = 1; j < points.size(); j += 97)
                    QCOMPARE_LE(
                        std::fabs(loads[k].y[j] - partsFigureAt(r, gridOmega(points[j]),
                                                                graph == GainGraph::zobel, false,
                                                                kComparedLoads[k].ohms)),
                        1e-9);
        }
        // A measured speaker that is the design's own, 8 ohm and its inductance: the same curves.
        MeasuredGrid grid;
        for (int i = 0; i < kSweepSize; ++i) {
            grid.z[std::size_t(i)] = {8.0, gridOmega(i) * r.speakerL * 1e-3};
            grid.y[std::size_t(i)] = 1.0 / grid.z[std::size_t(i)];
        }
        MeasuredCurves measured;
        sweepMeasured(partsDesign(r), grid, measured, AnalysisPart::Gain | AnalysisPart::GainZobel);
        // The Zobel map's figure for that load: the curve's maximum, from 0 dB up.
        QCOMPARE(
            parasiticZobelFiguresWithLoad(parasiticNetwork(partsDesign(r)), grid.y.data()).maximum,
            std::max(0.0, *std::max_element(measured.gainZobel.y.begin() + 1,
                                            measured.gainZobel.y.end())));
        for (int i : {1, 37, 1000, 4001, 10000}) {
            const double w = gridOmega(i);
            QCOMPARE_LE(std::fabs(measured.gain.y[i] - partsFigureAt(r, w, false, false)), 1e-9);
            QCOMPARE_LE(std::fabs(measured.gainZobel.y[i] - partsFigureAt(r, w, true, false)),
                        1e-9);
        }
        const double speaker = std::hypot(8.0, gridOmega(10) * r.speakerL * 1e-3);
        QCOMPARE_LE(
            std::fabs(a.dampingFactor * partsFigureAt(r, gridOmega(10), false, true) / speaker - 1),
            1e-9);
        // The Zobel resistor's dissipation; its current: the branch voltage V over Zcs + Zpar,
        // times Zpar / Zr.
        for (int i = 1; i <= kPowerPoints; ++i) {
            using C = std::complex<double>;
            const double w = i * 6.28 * 100, V = std::sqrt(8 * 30.0) / (r.full ? 2 : 1);
            const auto cap = [&](double uF, double x) {
                return uF ? C(r.esr * x, w * r.esl * x - 1 / (w * uF * 1e-6)) : 1e300;
            };
            const C zr(6, w * r.rzL), zpar = 1.0 / (1.0 / zr + 1.0 / cap(r.czp, 9));
            const double want = r.czs ? std::norm(V * zpar / (zpar + cap(r.czs, 3)) / zr) * 6 : 0;
            QCOMPARE_LE(std::fabs(a.dissipation.y[i] - want), 1e-9 * want);
        }
    }

    // The filter figures window with an inductor that saturates and no supply given: the inductor
    // at the audio peak, sqrt(2 R P) |Y| with Y across the output at 1 kHz, its inductance from
    // the curve there, marked below 70 %; the window follows a change of the design.
    void figures()
    {
        Form1 *form = openWindow<Form1>();
        Part l;
        l.value = "22";
        l.saturation = {{1, 1}, {4, 0.4}};
        form->model().setPart(PartSlot::filter_l, l);
        childNamed<QAction>(form, "board_window")->trigger();
        QWidget *window = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == "BoardWindow")
                window = w;
        auto *table = childNamed<QTableWidget>(window, "board_table");
        const auto item = [table](const QString &figure, int column) {
            for (int r = 0; r < table->rowCount(); ++r)
                if (table->item(r, 0)->text() == figure)
                    return table->item(r, column);
            return static_cast<QTableWidgetItem *>(nullptr);
        };
        const auto cell = [&](const QString &figure, int column) {
            return item(figure, column)->text();
        };
        using C = std::complex<double>;
        const double w = 2 * M_PI * 1000;
        const C j(0, 1), zobel = 1.0 / (j * w * 1e-7) + 1.0 / (1.0 / 6.0 + j * w * 1e-7);
        const double peak = std::sqrt(2 * 8 * 50.0) *
                            std::abs(1.0 / (8.0 + j * w * 0.67e-3) + j * w * 1e-6 + 1.0 / zobel);
        const double ratio = 1 - 0.2 * (peak - 1);
        QCOMPARE(cell("Inductor peak current", 2), carrierValueText(peak, "A"));
        QCOMPARE(cell("Inductance (each)", 2), QString("%1 (%2 %), below 70 % of its value")
                                                   .arg(carrierValueText(22e-6 * ratio, "H"))
                                                   .arg(std::round(100 * ratio)));
        QCOMPARE(item("Inductance (each)", 2)->foreground().color(), QColor(192, 0, 0));
        play(form, "pick filter_c_par .47");
        QCOMPARE(cell("Filter capacitance", 1), "470 nF");
    }

    void library_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("every field of each kind")
            << libraryFile(kInductor33.chopped(1) +
                           R"(, "tolerance_percent": 20, "dcr_ohm": 0.012, "srf_Hz": 1.2e7,
                   "rated_rms_A": 6}, {"kind": "capacitor", "value": "2.2", "esr_ohm": 0,
                   "esl_H": 3e-9, "dielectric": "ceramic", "bias": [[10, 1], [40, 0.5]],
                   "rated_V": 100, "rated_rms_A": 2}, {"kind": "resistor", "value": "4.7",
                   "series_L_H": 2e-8, "rated_W": 3, "tolerance_percent": 0})")
            << "accepted";
        const auto refused = [](const char *row, const QByteArray &part, const char *sentence) {
            QTest::newRow(row) << libraryFile(part) << sentence;
        };
        refused("curve rises", R"({"kind": "inductor", "value": "33", "saturation": [[5, 1],
                [6.7, 1.1]]})",
                "The 33 uH inductor has a saturation curve that rises at 6.7 A.");
        refused("curve above 1 at its first point",
                R"({"kind": "capacitor", "value": ".56", "dielectric": "ceramic",
                "bias": [[0, 1.01]]})",
                "The .56 uF capacitor has a bias curve that rises at 0 V.");
        refused("curve point twice", R"({"kind": "inductor", "value": "33",
                "saturation": [[5, 1], [5, 0.8]]})",
                "The 33 uH inductor has a saturation curve with two points at 5 A.");
        refused("curve back", R"({"kind": "inductor", "value": "33",
                "saturation": [[5, 1], [4, 0.8]]})",
                "The 33 uH inductor has a saturation curve that goes back from 5 A to 4 A.");
        refused("curve to 0", R"({"kind": "inductor", "value": "33", "saturation": [[5, 0]]})",
                "The 33 uH inductor has a saturation curve whose ratio at 5 A is 0, not above 0.");
        refused("curve of one number", R"({"kind": "inductor", "value": "33",
                "saturation": [[5]]})",
                "The 33 uH inductor has a saturation curve that is not a list of [A, ratio] "
                "pairs.");
        refused("value 0", R"({"kind": "capacitor", "value": "0"})",
                "The capacitor has the value \"0\", which is not a plain decimal number above 0.");
        refused("value not as the lists write it", R"({"kind": "capacitor", "value": "0.470"})",
                "The capacitor has the value \"0.470\", which its list writes \".47\".");
        refused("negative resistance", R"({"kind": "capacitor", "value": "2.2", "esr_ohm": -0.01})",
                "The 2.2 uF capacitor has an ESR of -0.01 ohm, below 0.");
        refused("rating 0", R"({"kind": "resistor", "value": "4.7", "rated_W": 0})",
                "The 4.7 ohm resistor has a power rating of 0 W, not above 0.");
        refused("tolerance 100 %", R"({"kind": "resistor", "value": "4.7",
                "tolerance_percent": 100})",
                "The 4.7 ohm resistor has a tolerance of 100 %, not below 100 %.");
        refused("bias curve of a film capacitor", R"({"kind": "capacitor", "value": "2.2",
                "dielectric": "film", "bias": [[10, 0.9]]})",
                "The 2.2 uF capacitor has a bias curve, which only a ceramic dielectric has.");
        refused("field of another kind", R"({"kind": "inductor", "value": "33", "esr_ohm": 1})",
                "The 33 uH inductor has a field no inductor has, \"esr_ohm\".");
        refused("text for a number", R"({"kind": "inductor", "value": "33", "dcr_ohm": "0.1"})",
                "The 33 uH inductor has \"0.1\" as a DC resistance, not a number.");
        refused("dielectric", R"({"kind": "capacitor", "value": "2.2", "dielectric": "X7R"})",
                "The 2.2 uF capacitor has the dielectric \"X7R\", neither \"film\" nor "
                "\"ceramic\".");
        refused("part twice", kInductor33 + "," + kInductor33,
                "The file holds the 33 uH inductor twice.");
        QTest::newRow("newer version")
            << libraryFile({}, 2)
            << "The file is of version 2 of the parts library, newer than the version 1 this "
               "program reads.";
        const QByteArray cut = libraryFile(kInductor33).chopped(2);
        QTest::newRow("cut short")
            << cut
            << QString("The file is not JSON: unterminated array near byte %1.").arg(cut.size());
    }

    // A file read whole, or refused whole with the sentence of its first failing field.
    void library()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sentence);
        const PartsLibraryRead read = readPartsLibrary(bytes);
        const auto *library = std::get_if<PartsLibrary>(&read);
        QCOMPARE(library ? QString("accepted") : std::get<QString>(read), sentence);
        // Written again, it holds the same JSON.
        if (library)
            QCOMPARE(QJsonDocument::fromJson(library->bytes()), QJsonDocument::fromJson(bytes));
    }

    // A 33 uH inductor added through the window's form (a rising curve first refused), listed in
    // filter_l_par after its items, picked by typing, undone, attached and made ideal from the
    // window; the library exported, emptied and imported again, a broken file refused.
    void window()
    {
        Form1 *form = openWindow<Form1>();
        const DesignRecord &r = form->design();
        auto *filterL = childNamed<QComboBox>(form, "filter_l_par");
        const QStringList builtIn = items(filterL);
        childNamed<QAction>(form, "parts_window")->trigger();
        QWidget *window = partsWindow();
        click(window, "parts_add");
        QPointer<QDialog> editor = childNamed<QDialog>(window, "PartEditor");
        typeOver(childNamed<QLineEdit>(editor, "part_value"), "33.0");
        typeOver(childNamed<QLineEdit>(editor, "part_saturation"), "5 1, 6.7 1.1");
        click(editor, "part_ok");
        QCOMPARE(textOf(editor, "part_refusal"),
                 "The 33 uH inductor has a saturation curve that rises at 6.7 A.");
        QVERIFY(form->model().library().empty() && items(filterL) == builtIn);
        typeOver(childNamed<QLineEdit>(editor, "part_saturation"), "5 1, 6.7 0.8");
        click(editor, "part_ok");
        QTRY_VERIFY(!editor);  // closed, and gone
        QCOMPARE(items(filterL), builtIn + QStringList{"33"});

        // Typed into the open list, as a keyboard user picks an item.
        filterL->showPopup();
        QTest::keyClicks(filterL->view(), "33");
        QTest::keyClick(filterL->view(), Qt::Key_Return);
        QCOMPARE(std::pair(r.jfilter_l, r.filter_l_par_modeval), std::pair(QString("33"), 33e-6));
        QCOMPARE(r.parts.at(PartSlot::filter_l)->saturation, (DeratingCurve{{5, 1}, {6.7, 0.8}}));
        auto *undo = childNamed<QAction>(form, "design_undo");
        QCOMPARE(undo->text(), "&Undo Filter L 33, Filter L part 33");
        undo->trigger();
        QVERIFY(r.jfilter_l == "22" && r.parts.empty());

        selectRow(window, "parts_table", 0);
        click(window, "parts_use");
        QVERIFY(r.jfilter_l == "33" && r.parts.at(PartSlot::filter_l)->ratedRmsA == std::nullopt);
        selectRow(window, "design_parts_table", 0);
        click(window, "parts_ideal");
        QVERIFY(r.jfilter_l == "33" && r.parts.at(PartSlot::filter_l)->ideal());

        // Edited: the form opens with the part as it is kept.
        selectRow(window, "parts_table", 0);
        click(window, "parts_edit");
        QPointer<QDialog> edit = childNamed<QDialog>(window, "PartEditor");
        QCOMPARE(textOf(edit, "part_value"), "33");
        QCOMPARE(textOf(edit, "part_saturation"), "5 1, 6.7 0.8");
        click(edit, "part_cancel");
        QCOMPARE(window->windowTitle(), "Parts library");

        const QTemporaryDir folder;
        const QString exported = folder.filePath("parts.json");
        answerFileDialog(exported);
        click(window, "parts_export");
        QCOMPARE(QJsonDocument::fromJson(contents(exported)),
                 QJsonDocument::fromJson(libraryFile(kInductor33)));
        selectRow(window, "parts_table", 0);
        click(window, "parts_remove");
        QCOMPARE(items(filterL), builtIn);
        answerFileDialog(exported);
        click(window, "parts_import");
        QCOMPARE(items(filterL), builtIn + QStringList{"33"});
        QCOMPARE(contents(storedPartsLibraryPath()), contents(exported));
        QVERIFY(writeBytes(exported, libraryFile({}, 2)));
        answerFileDialog(exported);
        click(window, "parts_import");
        QVERIFY(textOf(window, "parts_message")
                    .endsWith(" was not imported. The file is of "
                              "version 2 of the parts library, newer "
                              "than the version 1 this program reads."));
        QCOMPARE(form->model().library().parts().size(), std::size_t(1));
        delete form;
    }
};

QTEST_MAIN(TestParts)
#include "tst_parts.moc"
