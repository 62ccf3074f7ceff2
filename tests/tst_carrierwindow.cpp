// The carrier window beside the main window (its looks are tst_looks'): its inputs typed key by
// key, its table against the carrier worked out another way (carrierreference.h) and against the
// hand formula for the supply a power needs, the marks of a figure above its rating, the window
// following the main window, the loss curve with its marker and its Save Data, closing and
// reopening.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "carrierreference.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

// The carrier window's input boxes, in turn.
const QStringList kBoxes = {"carrier_supply",          "carrier_fsw",
                            "carrier_audio",           "carrier_zobel_rating",
                            "carrier_inductor_rating", "carrier_capacitor_rating"};

}  // namespace

class TestCarrierWindow : public QObject
{
    Q_OBJECT

    Form1 *m_form = nullptr;
    int m_signals = 0;  // the window's inputsChanged, since it was opened
    // The window alone on a design model of its own.
    std::unique_ptr<DesignModel> m_model;
    std::unique_ptr<CarrierWindow> m_alone;

    CarrierWindow *carrier() const { return m_alone ? m_alone.get() : m_form->carrierWindow(); }
    CarrierWindow *open()
    {
        childNamed<QAction>(m_form, "carrier_window")->trigger();
        connect(carrier(), &CarrierWindow::inputsChanged, this, [this] { ++m_signals; });
        return carrier();
    }
    QTableWidget *table() const { return childNamed<QTableWidget>(carrier(), "carrier_table"); }
    QString cell(int row, int column) const { return table()->item(row, column)->text(); }
    GraphControl *graph() const { return childNamed<GraphControl>(carrier(), "carrier_loss"); }

    // Plays a script on the carrier window and the main window: "type <box> <text>" and
    // "clear <box>" for a carrier window's box, "click <name>" on its buttons, "power <W>" typed
    // into the Power window, "measured" loads accept-voicecoil-tab.zma through the Measured
    // speaker menu, "unmeasured" clears it; anything else is a step of play().
    void playBoth(const QString &script)
    {
        for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
            const QStringList w = step.trimmed().split(' ');
            if (w[0] == "type" && w[1].startsWith("carrier_")) {
                typeOver(childNamed<QLineEdit>(carrier(), qPrintable(w[1])), w.value(2));
            } else if (w[0] == "clear") {
                auto *box = childNamed<QLineEdit>(carrier(), qPrintable(w[1]));
                box->setFocus();
                box->selectAll();
                QTest::keyClick(box, Qt::Key_Backspace);
            } else if (w[0] == "click") {
                QTest::mouseClick(childNamed<QRadioButton>(carrier(), qPrintable(w[1])),
                                  Qt::LeftButton);
            } else if (w[0] == "power") {
                childNamed<QAction>(m_form, "power_calcs")->trigger();
                typeOver(childNamed<QLineEdit>(m_form->powerWindow(), "Text_peak_voltage"), w[1]);
            } else if (w[0] == "measured") {
                answerFileDialog(QStringLiteral(QUORVEL_SOURCE_DIR
                                                "/tests/fuzz/impedance/accept-voicecoil-tab.zma"));
                childNamed<QAction>(m_form, "measured_load")->trigger();
            } else if (w[0] == "unmeasured") {
                childNamed<QAction>(m_form, "measured_clear")->trigger();
            } else {
                play(m_form, step);
            }
        }
    }

    // A column of the table against the reference's figures, each shown to three significant
    // digits and within its tolerance beyond that.
    bool columnAgrees(const QString &tag, int column, const carrierref::Figures &r,
                      const std::array<double, 10> &tolerances,
                      QList<carrierref::Check> checks = {})
    {
        const std::array<double, 10> expected = carrierref::tableColumn(r);
        for (int row = 0; row < 10; ++row)
            checks << carrierref::shown(cell(row, 0), carrierref::valueOf(cell(row, column)),
                                        expected[row], 0.006 + tolerances[row]);
        return carrierref::agree(tag, checks, "(window, reference)");
    }
    // The main window's design in the reference's terms; the measured speaker as it is at the
    // carrier: Re 6.2 ohm, Le 0.35 mH and 12 ohm across 1.1 mH make 18.2 ohm with 0.35 mH.
    carrierref::Design referenceDesign(double supply, double fsw, bool ad,
                                       bool measured = false) const
    {
        const DesignRecord &r = m_form->design();
        return {r.filter_l_par_modeval,
                r.filter_c_par_modeval * 1e-6,
                double(r.zobel_r_parval),
                r.zobel_c_parval,
                r.zobel_c_serval,
                measured ? 18.2 : double(r.speaker_r_modeval),
                measured ? 0.35e-3 : r.actual_l_net * 1e-3,
                r.fullBridge(),
                ad,
                supply,
                fsw};
    }
    // The idle column against the reference for the design as it stands.
    bool idleAgrees(const QString &tag, double supply, double fsw, bool ad, bool measured = false)
    {
        return columnAgrees(
            tag + ", idle", 1,
            carrierref::reference(referenceDesign(supply, fsw, ad, measured), 150).f,
            {0, 0, 2e-4, 0, 0, 2e-4, 0, 0, 0, 0});
    }
    // The idle Zobel loss the reference gives at a frequency of the loss curve.
    double lossAt(double supply, double hz, bool ad, bool measured = false) const
    {
        return carrierref::reference(referenceDesign(supply, hz, ad, measured), 100).f.zobelW[0];
    }

private slots:
    void init()
    {
        // The window's own entry needs no main window.
        if (QTest::currentTestFunction() != QLatin1String("entry"))
            m_form = openWindow<Form1>();
        m_signals = 0;
    }
    void cleanup()
    {
        m_alone.reset();
        m_model.reset();
        delete m_form;
        m_form = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void entry_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("boxes");  // supply, fsw, audio, Zobel, inductor, capacitor
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("changes");  // signals: one per accepted entry
        QTest::newRow("supply 151, 1 too many") << "type carrier_supply 151"
                                                << "15,,1000,,,"
                                                << "150 V is the most the supply takes." << 2;
        QTest::newRow("supply 0., below 1 V") << "type carrier_supply 0."
                                              << ",,1000,,,"
                                              << "1 V is the least the supply takes." << 0;
        QTest::newRow("supply, 7 characters") << "type carrier_supply 100.0001"
                                              << "100.00,,1000,,,"
                                              << "At most 6 characters." << 6;
        QTest::newRow("supply emptied") << "type carrier_supply 48; clear carrier_supply"
                                        << ",,1000,,,"
                                        << "" << 3;
        QTest::newRow("fsw 5 on its way to 50") << "type carrier_fsw 5"
                                                << ",5,1000,,,"
                                                << "Switching frequency: 50 to 3000 kHz." << 0;
        QTest::newRow("audio above fsw")
            << "type carrier_fsw 50; type carrier_audio 60000"
            << ",50,6000,,,"
            << "The audio frequency stays below the switching frequency, 50 kHz." << 5;
        QTest::newRow("fsw below audio")
            << "type carrier_audio 60000; type carrier_fsw 50"
            << ",,60000,,,"
            << "The switching frequency stays above the audio frequency, 60000 Hz." << 5;
        QTest::newRow("audio emptied") << "clear carrier_audio"
                                       << ",,1000,,,"
                                       << "The audio frequency cannot be left empty." << 0;
        QTest::newRow("inductor rating 2a")
            << "type carrier_inductor_rating 2a"
            << ",,1000,,2,"
            << "Plain decimal numbers only, such as 48 or 1.5." << 1;
    }
    void entry()
    {
        QFETCH(QString, script);
        QFETCH(QString, boxes);
        QFETCH(QString, hint);
        QFETCH(int, changes);
        m_model = std::make_unique<DesignModel>();
        m_alone = std::make_unique<CarrierWindow>(*m_model);
        connect(m_alone.get(), &CarrierWindow::inputsChanged, this, [this] { ++m_signals; });
        m_alone->show();
        playBoth(script);
        QCOMPARE(texts(carrier(), kBoxes).join(','), boxes);
        QCOMPARE(textOf(carrier(), "carrier_hint"), hint);
        QCOMPARE(m_signals, changes);
    }

    // Nothing to work out until the supply and the switching frequency are given; closed, the
    // window is deleted, and what the record keeps is what it shows when opened again.
    void closeReopen()
    {
        CarrierWindow *w = open();
        QVERIFY(!childNamed<QWidget>(w, "carrier_modulation")->isEnabled());  // half bridge
        playBoth(
            "full; type carrier_supply 48; type carrier_fsw 38; type carrier_audio 500; type "
            "carrier_inductor_rating 3; click carrier_modulation_ad");
        QVERIFY(childNamed<QWidget>(w, "carrier_modulation")->isEnabled());
        QCOMPARE(m_signals, 7);
        QVERIFY(!table()->isVisible() && graph()->curveSize() + graph()->overlayCount() == 0);
        QPointer<CarrierWindow> closed = w;
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!closed && !carrier());
        playBoth("pick zobel_r_par 10");  // a recalculation without the window
        w = open();
        QCOMPARE(texts(w, kBoxes),
                 (QStringList{"48", "", "500", "", "3", ""}));  // "38" was on its way to a value
        QVERIFY(childNamed<QRadioButton>(w, "carrier_modulation_ad")->isChecked());
        QCOMPARE(textOf(w, "carrier_message"),
                 QString("Enter the supply voltage and the switching frequency."));
        playBoth("type carrier_fsw 384");
        QVERIFY(table()->isVisible() && !childNamed<QLabel>(w, "carrier_message")->isVisible());
    }

    void atPower_data()
    {
        QTest::addColumn<QString>("design");  // the main window's steps before the carrier inputs
        QTest::addColumn<QList<double>>("inputs");  // supply V, switching kHz, audio Hz, power W
        QTest::addColumn<bool>("ad");
        // The audio frequency divides the switching frequency: the reference's common period.
        QTest::newRow("full bridge AD, 2 ohm, 800 kHz, 24 V, 30 W")
            << "full; pick speaker_r_mode 2; type Speaker_L .05; pick filter_l_par 10; pick "
               "filter_c_par 2.0"
            << QList<double>{24, 800, 6250, 30} << true;
        QTest::newRow("half bridge, 24 V short of 50 W")
            << "" << QList<double>{24, 384, 1000, 50} << false;
    }
    // The idle column, then the at-power column at the modulation index from the hand formula
    // against the reference's figures over one audio period; or, when the supply falls short, the
    // supply the hand formula asks for in one sentence and no at-power column. Then less power
    // from the Power window, and its 50 W once it is closed.
    void atPower()
    {
        QFETCH(QString, design);
        QFETCH(QList<double>, inputs);
        QFETCH(bool, ad);
        const double supply = inputs[0], fsw = inputs[1] * 1e3, audio = inputs[2],
                     watts = inputs[3];
        CarrierWindow *w = open();
        playBoth(design +
                 QString("; type carrier_supply %1; type carrier_fsw %2; type "
                         "carrier_audio %3; power %4")
                     .arg(supply)
                     .arg(inputs[1])
                     .arg(audio)
                     .arg(watts) +
                 (ad ? "; click carrier_modulation_ad" : ""));
        QVERIFY(idleAgrees(QTest::currentDataTag(), supply, fsw, ad));
        carrierref::Design d = referenceDesign(supply, fsw, ad);
        const double volts = carrierref::supplyNeeded(d, audio, watts);
        auto *message = childNamed<QLabel>(w, "carrier_message");
        const auto heading = [&] { return table()->horizontalHeaderItem(2)->text(); };
        if (volts > supply) {
            QCOMPARE(message->text(), QString("%1 W into this speaker would take a supply of %2 V.")
                                          .arg(watts)
                                          .arg(QString::number(volts, 'g', 3)));
            QVERIFY(message->isVisible() && table()->isColumnHidden(2) && table()->isVisible());
        } else {
            d.k = int(std::lround(fsw / audio));
            d.M = volts / supply;
            const carrierref::Figures f = carrierref::reference(d, 30).f;
            QCOMPARE(heading(), QString("At %1 W, %2 Hz").arg(watts).arg(audio));
            QVERIFY(!table()->isColumnHidden(2));
            // The ripple and the peak are taken with the duty frozen over a carrier period.
            QVERIFY(columnAgrees(
                QTest::currentDataTag() + QString(", at power, M %1").arg(d.M), 2, f,
                {1e-3, 1e-3, 0.03, 1e-3, 1e-3, 0.02, 1e-3, 1e-3, 1e-3, 1e-3},
                {carrierref::shown("load power (reference's)", watts, f.loadW, 0.006)}));
        }
        playBoth("power 5");
        QCOMPARE(heading(), QString("At 5 W, %1 Hz").arg(audio));
        QVERIFY(!message->isVisible() && !table()->isColumnHidden(2));
        m_form->powerWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(table()->isColumnHidden(2), carrierref::supplyNeeded(d, audio, 50) > supply);
    }

    // Each rated figure is held against its rating in both columns; expectations come from the
    // figures as shown, so every cell is checked both ways.
    void ratings()
    {
        open();
        playBoth(
            "full; type carrier_supply 48; type carrier_fsw 384; type carrier_audio 3000; "
            "power 20; click carrier_modulation_ad; type carrier_zobel_rating .0002; type "
            "carrier_inductor_rating 2; type carrier_capacitor_rating .3");
        const CarrierInputs &c = m_form->design().carrier;
        // The rated rows: Zobel resistor with audio, inductor peak, filter capacitor.
        const QMap<int, std::pair<double, QString>> rated{{1, {c.zobelRatingW, "W"}},
                                                          {5, {c.inductorRatingA, "A"}},
                                                          {6, {c.capacitorRatingA, "A rms"}}};
        int marked = 0;
        for (int row = 0; row < 10; ++row) {
            const auto [rating, unit] = rated.value(row, {0.0, QString()});
            QCOMPARE(cell(row, 3), rating > 0 ? QString("%1 %2").arg(rating).arg(unit) : QString());
            for (int column : {1, 2}) {
                const QString text = cell(row, column);
                const bool above = rating > 0 && carrierref::valueOf(text) > rating;
                const QString words = QString(", over the %1 %2 rating").arg(rating).arg(unit);
                QVERIFY2(text.endsWith(words) == above && (rating > 0 || !text.contains("over")),
                         qPrintable(cell(row, 0) + ": " + text));
                QCOMPARE(table()->item(row, column)->foreground().color(),
                         above ? QColor(192, 0, 0) : QColor(Qt::black));
                marked += above;
            }
        }
        QVERIFY(marked > 0);
    }

    void follows_data()
    {
        // The window open on a design, then a change in the main window: the idle figures and the
        // loss curve must be the new design's, never the old one's.
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("ad");
        QTest::addColumn<bool>("measured");
        QTest::addColumn<QString>("speaker");
        const QString power = " Load power: the Power window's.";
        QTest::newRow("Zobel R picked, full bridge BD")
            << "full; pick zobel_r_par 10" << false << false << "Speaker: 8 ohm + 0.67 mH." + power;
        QTest::newRow("measured speaker, full bridge AD")
            << "full; click carrier_modulation_ad; measured" << true << true
            << "Speaker: the measured speaker accept-voicecoil-tab.zma, in place of 8 ohm + 0.67 "
               "mH." +
                   power;
        QTest::newRow("measured speaker cleared, full bridge AD")
            << "full; click carrier_modulation_ad; measured; unmeasured" << true << false
            << "Speaker: 8 ohm + 0.67 mH." + power;
    }
    void follows()
    {
        QFETCH(QString, change);
        QFETCH(bool, ad);
        QFETCH(bool, measured);
        QFETCH(QString, speaker);
        open();
        playBoth("type carrier_supply 48; type carrier_fsw 384");
        const QString before = cell(0, 1) + cell(6, 1) + cell(7, 1);
        playBoth(change);
        QCOMPARE(textOf(carrier(), "carrier_speaker"), speaker);
        QVERIFY(cell(0, 1) + cell(6, 1) + cell(7, 1) != before);
        QVERIFY(idleAgrees(QTest::currentDataTag(), 48, 384e3, ad, measured));
        // The loss curve follows too, BD's or AD's as chosen.
        const double hz = graph()->curveX(120);
        QVERIFY(carrierref::agree(
            QString("loss at %1 Hz").arg(hz),
            {{"zobel", graph()->curveY(120), lossAt(48, hz, ad, measured), 1e-3}}));
    }

    void lossCurve_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<double>("fsw");
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("ad");
        // Under 1 W everywhere: the axis still spans the decades around the curve.
        QTest::newRow("half bridge, 5 V, 384 kHz")
            << "type carrier_supply 5; type carrier_fsw 384" << 384e3 << false << false;
        QTest::newRow("full bridge AD, 1 MHz")
            << "full; type carrier_supply 30; type carrier_fsw 1000; click carrier_modulation_ad"
            << 1e6 << true << true;
    }
    void lossCurve()
    {
        QFETCH(QString, script);
        QFETCH(double, fsw);
        QFETCH(bool, full);
        QFETCH(bool, ad);
        QTemporaryDir dir;
        open();
        playBoth(script);
        GraphControl *g = graph();
        const double supply = m_form->design().carrier.supplyV;
        // The marker, last of the overlays, stands at the switching frequency from the lowest to
        // the highest value shown.
        const int marker = g->overlayCount() - 1;
        QCOMPARE(g->overlayCount(), full ? 2 : 1);
        QCOMPARE((QList<double>{g->overlayX(marker, 0), g->overlayX(marker, 1),
                                g->overlayY(marker, 0), g->overlayY(marker, 1)}),
                 (QList<double>{fsw, fsw, g->axisMinimum(GraphControl::YAxis),
                                g->axisMaximum(GraphControl::YAxis)}));
        // The curve is the chosen modulation's, the overlay the other's, each against the
        // reference; the axis spans the whole decades around both.
        const double hz = g->curveX(140);
        QList<carrierref::Check> checks{{"W", g->curveY(140), lossAt(supply, hz, ad), 1e-3}};
        if (full)
            checks << carrierref::Check{"other's W", g->overlayY(0, 140), lossAt(supply, hz, !ad),
                                        1e-3};
        QVERIFY(carrierref::agree(QString("%1, %2 Hz").arg(QTest::currentDataTag()).arg(hz), checks,
                                  "(graph, reference)"));
        double low = INFINITY, high = 0;
        for (int i = 0; i < 200; ++i)
            for (double w : {g->curveY(i), full ? g->overlayY(0, i) : g->curveY(i)})
                std::tie(low, high) = std::pair(std::min(low, w), std::max(high, w));
        const double bottom = g->axisMinimum(GraphControl::YAxis),
                     top = g->axisMaximum(GraphControl::YAxis);
        QVERIFY2(
            bottom <= low && low < 10 * bottom && top >= high && high > top / 10,
            qPrintable(
                QString("%1 to %2 shown from %3 to %4").arg(low).arg(high).arg(bottom).arg(top)));
        // Save Data: the curves as shown, BD's column first in full bridge.
        setSaveNameChooser([&dir](QWidget *, const QString &, const QString &suggested,
                                  const QString &) {
            return suggested.endsWith("carrier-loss.csv") ? dir.filePath("loss.csv") : QString();
        });
        childNamed<QAction>(g, "actionSaveData")->trigger();
        const QList<QByteArray> lines = contents(dir.filePath("loss.csv")).trimmed().split('\n');
        QCOMPARE(lines.value(0),
                 QByteArray(full ? "frequency_Hz,bd_power_W,ad_power_W" : "frequency_Hz,power_W"));
        QCOMPARE(lines.size(), 201);
        for (int i = 0; i < 200; ++i) {
            QList<double> row{g->curveX(i), g->curveY(i)};
            if (full)
                row.insert(ad ? 1 : 2, g->overlayY(0, i));  // BD's first
            QList<double> saved;
            for (const QByteArray &v : lines[i + 1].split(',')) saved << v.toDouble();
            QCOMPARE(saved, row);
        }
        // Emptied supply: nothing to draw.
        playBoth("clear carrier_supply");
        QCOMPARE(g->curveSize() + g->overlayCount(), 0);
    }
};

QTEST_MAIN(TestCarrierWindow)
#include "tst_carrierwindow.moc"
