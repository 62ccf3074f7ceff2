// The carrier window beside the main window (its looks, the full bridge's texts and the table's
// headings among them, are tst_looks'): opened from its menu, its inputs typed key by key,
// its table against the carrier worked out another way (carrierreference.h: switching instants
// and exact Fourier integrals) and against the hand formula for the supply a power needs, the marks
// of a figure above its rating, the window following the main window, the measured speaker and
// the Power window, the loss curve with its marker and its Save Data, closing and reopening.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "carrierreference.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

// The table's rows, top to bottom.
const QStringList kFigures = {"Zobel resistor, carrier (each)",
                              "Zobel resistor, carrier + audio (each)",
                              "Inductor ripple, peak to peak",
                              "Inductor ripple, rms",
                              "Inductor current, rms (carrier + audio)",
                              "Inductor peak current",
                              "Filter capacitor current, rms",
                              "Speaker carrier voltage, rms",
                              "Speaker carrier power",
                              "Output common-mode carrier, rms"};
enum Row {
    ZobelCarrier,
    ZobelTotal,
    RipplePp,
    RippleRms,
    InductorRms,
    InductorPeak,
    CapRms,
    SpeakerV,
    SpeakerW,
    CommonMode
};

// The carrier window's input boxes, in turn.
const QStringList kBoxes = {"carrier_supply",          "carrier_fsw",
                            "carrier_audio",           "carrier_zobel_rating",
                            "carrier_inductor_rating", "carrier_capacitor_rating"};

const QString kVoiceCoil =
    QStringLiteral(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma");

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
    CarrierWindow *openAlone()
    {
        m_model = std::make_unique<DesignModel>();
        m_alone = std::make_unique<CarrierWindow>(*m_model);
        connect(m_alone.get(), &CarrierWindow::inputsChanged, this, [this] { ++m_signals; });
        m_alone->show();
        return m_alone.get();
    }
    CarrierWindow *open()
    {
        const bool opened = carrier();
        childNamed<QAction>(m_form, "carrier_window")->trigger();
        if (!opened)
            connect(carrier(), &CarrierWindow::inputsChanged, this, [this] { ++m_signals; });
        return carrier();
    }
    QTableWidget *table() const { return childNamed<QTableWidget>(carrier(), "carrier_table"); }
    QString cell(int row, int column) const { return table()->item(row, column)->text(); }
    double shown(int row, int column) const { return carrierref::valueOf(cell(row, column)); }

    // Plays a script on the carrier window and the main window: "type <box> <text>" and
    // "clear <box>" for a box of either, "click <name>" on a carrier window's button, "power <W>"
    // typed into the (hidden) Power window, "measured" loads
    // tests/fuzz/impedance/accept-voicecoil-tab.zma through the Measured speaker menu's file
    // dialog, "unmeasured" clears it; anything else is a step of play().
    void playBoth(const QString &script)
    {
        for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
            const QStringList w = step.trimmed().split(' ');
            QWidget *window =
                w.value(1).startsWith("carrier_") ? static_cast<QWidget *>(carrier()) : m_form;
            if (w[0] == "type" && window == carrier()) {
                typeOver(childNamed<QLineEdit>(window, qPrintable(w[1])), w.value(2));
            } else if (w[0] == "clear") {
                auto *box = childNamed<QLineEdit>(window, qPrintable(w[1]));
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
                answerFileDialog(kVoiceCoil);
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
            checks << carrierref::shown(kFigures[row], carrierref::valueOf(cell(row, column)),
                                        expected[row], 0.006 + tolerances[row]);
        return carrierref::agree(tag, checks, "(window, reference)");
    }
    // The main window's design in the reference's terms; the measured speaker as it is at the
    // carrier, 18.2 ohm with 0.35 mH (see follows).
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

    void opening()
    {
        // After the main window's menus and the measured speaker's, "Ca&rrier" with its one item.
        const QList<QAction *> menus = m_form->menuBar()->actions();
        const qsizetype at = menus.indexOf(childNamed<QMenu>(m_form, "carrier")->menuAction());
        QVERIFY(at > 0);
        QCOMPARE(menus[at]->text(), QString("Ca&rrier"));
        QCOMPARE(menus[at - 1]->text(), QString("&Measured speaker"));
        QCOMPARE(menus[at]->menu()->actions().size(), 1);
        QCOMPARE(menus[at]->menu()->actions()[0]->text(), QString("&Switching carrier…"));
        QVERIFY(!carrier());
        CarrierWindow *w = open();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(w->isVisible() && !QApplication::activeModalWidget() && m_form->isEnabled());
        QCOMPARE(w->windowTitle(), QString("Switching carrier"));
        const QRect screen = w->screen()->geometry(), outer = w->frameGeometry();
        QVERIFY(qAbs(outer.left() - (screen.width() - outer.width()) * 0.9) <= 2);
        QVERIFY(qAbs(outer.top() - (screen.height() - outer.height()) * 0.1) <= 2);
        // Nothing to work out until the supply and the switching frequency are given.
        QCOMPARE(texts(w, kBoxes), (QStringList{"", "", "1000", "", "", ""}));
        QVERIFY(childNamed<QRadioButton>(w, "carrier_modulation_bd")->isChecked());
        QVERIFY(!childNamed<QWidget>(w, "carrier_modulation")->isEnabled());  // half bridge
        QCOMPARE(textOf(w, "carrier_message"),
                 QString("Enter the supply voltage and the switching frequency."));
        QVERIFY(!table()->isVisible());
        auto *graph = childNamed<GraphControl>(w, "carrier_loss");
        QCOMPARE(graph->curveSize() + graph->overlayCount(), 0);
        QCOMPARE(axesOf(graph).mid(0, 3), (QList<double>{1, 1e5, 2e6}));
        QCOMPARE(texts(w, {"carrier_network", "carrier_speaker"}),
                 (QStringList{"The main window's filter, Zobel network and speaker: L from the leg "
                              "to the output; Cf, the Zobel branch and the speaker from the output "
                              "to ground (half bridge).",
                              "Speaker: 8 ohm + 0.67 mH. Load power: the Power window's."}));
        // Once both are given: the table, no sentence, a curve.
        playBoth("type carrier_supply 100; type carrier_fsw 384");
        QVERIFY(table()->isVisible() && !childNamed<QLabel>(w, "carrier_message")->isVisible());
        QCOMPARE(graph->curveSize(), 200);
        playBoth("full");
        QVERIFY(childNamed<QWidget>(w, "carrier_modulation")->isEnabled());
    }

    void entry_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("boxes");  // supply, fsw, audio, Zobel, inductor, capacitor
        QTest::addColumn<QList<double>>("values");  // the record's: V, Hz, Hz, W, A, A
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("changes");  // signals: one per accepted entry
        const QList<double> none{0, 0, 1000, 0, 0, 0};
        QTest::newRow("supply 48")
            << "type carrier_supply 48" << QStringList{"48", "", "1000", "", "", ""}
            << QList<double>{48, 0, 1000, 0, 0, 0} << "" << 2;
        QTest::newRow("supply 151, 1 too many")
            << "type carrier_supply 151" << QStringList{"15", "", "1000", "", "", ""}
            << QList<double>{15, 0, 1000, 0, 0, 0} << "150 V is the most the supply takes." << 2;
        QTest::newRow("supply 0., below 1 V")
            << "type carrier_supply 0." << QStringList{"", "", "1000", "", "", ""} << none
            << "1 V is the least the supply takes." << 0;
        QTest::newRow("supply 1e3, e put back")
            << "type carrier_supply 1e3" << QStringList{"13", "", "1000", "", "", ""}
            << QList<double>{13, 0, 1000, 0, 0, 0} << "" << 2;
        QTest::newRow("supply, 7 characters")
            << "type carrier_supply 100.0001" << QStringList{"100.00", "", "1000", "", "", ""}
            << QList<double>{100, 0, 1000, 0, 0, 0} << "At most 6 characters." << 6;
        QTest::newRow("supply emptied")
            << "type carrier_supply 48; clear carrier_supply"
            << QStringList{"", "", "1000", "", "", ""} << none << "" << 3;
        QTest::newRow("fsw 5 on its way to 50")
            << "type carrier_fsw 5" << QStringList{"", "5", "1000", "", "", ""} << none
            << "Switching frequency: 50 to 3000 kHz." << 0;
        QTest::newRow("fsw 3001, 1 too many")
            << "type carrier_fsw 3001" << QStringList{"", "300", "1000", "", "", ""}
            << QList<double>{0, 300e3, 1000, 0, 0, 0}
            << "3000 kHz is the most the switching frequency takes." << 1;
        QTest::newRow("audio above fsw")
            << "type carrier_fsw 50; type carrier_audio 60000"
            << QStringList{"", "50", "6000", "", "", ""} << QList<double>{0, 50e3, 6000, 0, 0, 0}
            << "The audio frequency stays below the switching frequency, 50 kHz." << 5;
        QTest::newRow("fsw below audio")
            << "type carrier_audio 60000; type carrier_fsw 50"
            << QStringList{"", "", "60000", "", "", ""} << QList<double>{0, 0, 60000, 0, 0, 0}
            << "The switching frequency stays above the audio frequency, 60000 Hz." << 5;
        QTest::newRow("audio emptied")
            << "clear carrier_audio" << QStringList{"", "", "1000", "", "", ""} << none
            << "The audio frequency cannot be left empty." << 0;
        QTest::newRow("Zobel rating .25")
            << "type carrier_zobel_rating .25" << QStringList{"", "", "1000", ".25", "", ""}
            << QList<double>{0, 0, 1000, 0.25, 0, 0} << "" << 2;
        QTest::newRow("inductor rating 2a")
            << "type carrier_inductor_rating 2a" << QStringList{"", "", "1000", "", "2", ""}
            << QList<double>{0, 0, 1000, 0, 2, 0}
            << "Plain decimal numbers only, such as 48 or 1.5." << 1;
        QTest::newRow("everything")
            << "type carrier_supply 60; type carrier_fsw 600; type carrier_audio 2500; type "
               "carrier_zobel_rating 1; type carrier_inductor_rating 4.5; type "
               "carrier_capacitor_rating .8"
            << QStringList{"60", "600", "2500", "1", "4.5", ".8"}
            << QList<double>{60, 600e3, 2500, 1, 4.5, 0.8} << "" << 13;
    }
    void entry()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, boxes);
        QFETCH(QList<double>, values);
        QFETCH(QString, hint);
        QFETCH(int, changes);
        CarrierWindow *w = openAlone();
        playBoth(script);
        QCOMPARE(texts(w, kBoxes), boxes);
        const CarrierInputs &c = m_model->record().carrier;
        QCOMPARE((QList<double>{c.supplyV, c.switchingHz, c.audioHz, c.zobelRatingW,
                                c.inductorRatingA, c.capacitorRatingA}),
                 values);
        QCOMPARE(textOf(w, "carrier_hint"), hint);
        QCOMPARE(m_signals, changes);
        const QWidget *hintLabel = childNamed<QWidget>(w, "carrier_hint"),
                      *last = childNamed<QWidget>(w, "carrier_capacitor_rating");
        QVERIFY(hintLabel->mapTo(w, QPoint()).y() >=
                last->mapTo(w, QPoint(0, last->height())).y());  // under the inputs
    }

    void closeReopen()
    {
        // Closed, the window is deleted; what the record keeps is what it shows when opened again.
        CarrierWindow *w = open();
        playBoth(
            "full; type carrier_supply 48; type carrier_fsw 38; type carrier_audio 500; type "
            "carrier_inductor_rating 3; click carrier_modulation_ad");
        QCOMPARE(m_signals, 7);
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
        QVERIFY(table()->isVisible());
        QVERIFY(idleAgrees("reopened", 48, 384e3, true));
    }

    void atPower_data()
    {
        QTest::addColumn<QString>("design");  // the main window's steps before the carrier inputs
        QTest::addColumn<QList<double>>(
            "inputs");  // supply V, switching kHz, audio Hz, load power W
        QTest::addColumn<bool>("ad");
        // The audio frequency divides the switching frequency: the reference's common period.
        QTest::newRow("full bridge BD, start-up, 20 W at 3 kHz")
            << "full" << QList<double>{48, 384, 3000, 20} << false;
        QTest::newRow("half bridge, 60 V, 600 kHz, 4 ohm, 10 W")
            << "pick speaker_r_mode 4; type Speaker_L .2" << QList<double>{60, 600, 4800, 10}
            << false;
        QTest::newRow("full bridge AD, 2 ohm, 800 kHz, 24 V, 30 W")
            << "full; pick speaker_r_mode 2; type Speaker_L .05; pick filter_l_par 10; pick "
               "filter_c_par 2.0"
            << QList<double>{24, 800, 6250, 30} << true;
        // Supplies short of the power.
        QTest::newRow("half bridge, 24 V, 50 W") << "" << QList<double>{24, 384, 1000, 50} << false;
        QTest::newRow("full bridge, 48 V, 200 W, 15 kHz")
            << "full" << QList<double>{48, 384, 15000, 200} << false;
    }
    // The idle column, then the at-power column at the modulation index from the hand formula
    // against the reference's figures over one audio period; or, when the supply falls short, the
    // supply the hand formula asks for in one sentence and no at-power column. Then less power
    // from the Power window (the column back, the loss curve not swept again), and its 50 W once
    // it is closed.
    void atPower()
    {
        QFETCH(QString, design);
        QFETCH(QList<double>, inputs);
        QFETCH(bool, ad);
        const double supply = inputs[0], fsw = inputs[1] * 1e3, audio = inputs[2],
                     watts = inputs[3];
        CarrierWindow *w = open();
        playBoth(
            design +
            QString(
                "; type carrier_supply %1; type carrier_fsw %2; type carrier_audio %3; power %4")
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
            qInfo("%s; by hand %.6g V", qPrintable(message->text()), volts);
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
        QCOMPARE(heading() == QString("At 50 W, %1 Hz").arg(audio), !table()->isColumnHidden(2));
    }

    void ratings_data()
    {
        // Each rated figure is held against its rating in both columns; expectations come from
        // the figures as shown, so every cell is checked both ways.
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("bites");  // some cell must be marked
        const QString fullBd =
            "full; type carrier_supply 48; type carrier_fsw 384; type carrier_audio 3000; power "
            "20; ";
        QTest::newRow("Zobel 1 W") << fullBd + "type carrier_zobel_rating 1" << false;
        QTest::newRow("inductor 1 A, between idle top and peak to peak")
            << fullBd + "type carrier_inductor_rating 1" << true;
        QTest::newRow("AD, all three")
            << fullBd +
                   "click carrier_modulation_ad; type carrier_zobel_rating .0002; type "
                   "carrier_inductor_rating 2; type carrier_capacitor_rating .3"
            << true;
        QTest::newRow("half bridge, all three")
            << "type carrier_supply 24; type carrier_fsw 384; type carrier_audio 3000; power 5; "
               "type carrier_zobel_rating .0001; type carrier_inductor_rating 1; type "
               "carrier_capacitor_rating .2"
            << true;
    }
    void ratings()
    {
        QFETCH(QString, script);
        QFETCH(bool, bites);
        open();
        playBoth(script);
        const CarrierInputs &c = m_form->design().carrier;
        const QMap<int, std::pair<double, QString>> rated{{ZobelTotal, {c.zobelRatingW, "W"}},
                                                          {InductorPeak, {c.inductorRatingA, "A"}},
                                                          {CapRms, {c.capacitorRatingA, "A rms"}}};
        int marked = 0;
        for (int row = 0; row < kFigures.size(); ++row) {
            const auto [rating, unit] = rated.value(row, {0.0, QString()});
            QCOMPARE(cell(row, 3), rating > 0 ? QString("%1 %2").arg(rating).arg(unit) : QString());
            for (int column : {1, 2}) {
                const QString text = cell(row, column);
                const bool above = rating > 0 && carrierref::valueOf(text) > rating;
                const QString words = QString(", over the %1 %2 rating").arg(rating).arg(unit);
                QVERIFY2(text.endsWith(words) == above && (rating > 0 || !text.contains("over")),
                         qPrintable(kFigures[row] + ": " + text));
                QCOMPARE(table()->item(row, column)->foreground().color(),
                         above ? QColor(192, 0, 0) : QColor(Qt::black));
                marked += above;
            }
        }
        QCOMPARE(marked > 0, bites);
    }

    void follows_data()
    {
        // The window open on a design, then a change in the main window (or the Power window):
        // the idle figures and the loss curve must be the new design's, never the old one's. The
        // measured speaker's file holds Re 6.2 ohm, Le 0.35 mH and 12 ohm across 1.1 mH without
        // noise: at the carrier, 18.2 ohm with 0.35 mH (the 12 ohm's shunt is 2.7 kohm at 384 kHz).
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("ad");
        QTest::addColumn<bool>("measured");
        QTest::addColumn<QString>("speaker");
        const QString power = " Load power: the Power window's.";
        QTest::newRow("to full bridge")
            << "full" << false << false << "Speaker: 8 ohm + 0.67 mH." + power;
        QTest::newRow("Zobel R picked, full bridge BD")
            << "full; pick zobel_r_par 10" << false << false << "Speaker: 8 ohm + 0.67 mH." + power;
        QTest::newRow("Speaker_L, full bridge AD")
            << "full; click carrier_modulation_ad; type Speaker_L .05" << true << false
            << "Speaker: 8 ohm + 0.05 mH." + power;
        QTest::newRow("speaker R, full bridge AD")
            << "full; click carrier_modulation_ad; pick speaker_r_mode 4" << true << false
            << "Speaker: 4 ohm + 0.67 mH." + power;
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
        const QString before = cell(ZobelCarrier, 1) + cell(CapRms, 1) + cell(SpeakerV, 1);
        playBoth(change);
        QCOMPARE(textOf(carrier(), "carrier_speaker"), speaker);
        QVERIFY(cell(ZobelCarrier, 1) + cell(CapRms, 1) + cell(SpeakerV, 1) != before);
        QVERIFY(idleAgrees(QTest::currentDataTag(), 48, 384e3, ad, measured));
        // The loss curve follows too, BD's or AD's as chosen.
        auto *graph = childNamed<GraphControl>(carrier(), "carrier_loss");
        QVERIFY(carrierref::agree(
            QString("loss at %1 Hz").arg(graph->curveX(120)),
            {{"zobel", graph->curveY(120),
              carrierref::reference(referenceDesign(48, graph->curveX(120), ad, measured), 100)
                  .f.zobelW[0],
              1e-3}}));
    }

    void lossCurve_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<double>("fsw");
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("ad");
        QTest::newRow("half bridge, 384 kHz")
            << "type carrier_supply 48; type carrier_fsw 384" << 384e3 << false << false;
        QTest::newRow("full bridge BD, 50 kHz, left of the graph")
            << "full; type carrier_supply 48; type carrier_fsw 50" << 50e3 << true << false;
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
        auto *graph = childNamed<GraphControl>(carrier(), "carrier_loss");
        const double supply = m_form->design().carrier.supplyV;
        // The marker, last of the overlays, stands at the switching frequency from the lowest to
        // the highest value shown.
        const int marker = graph->overlayCount() - 1;
        QCOMPARE(graph->overlayCount(), full ? 2 : 1);
        QCOMPARE((QList<double>{graph->overlayX(marker, 0), graph->overlayX(marker, 1)}),
                 (QList<double>{fsw, fsw}));
        QCOMPARE(graph->overlayY(marker, 0), graph->axisMinimum(GraphControl::YAxis));
        QCOMPARE(graph->overlayY(marker, 1), graph->axisMaximum(GraphControl::YAxis));
        // The curve is the chosen modulation's, the overlay the other's, each against the
        // reference.
        QList<carrierref::Check> checks;
        for (int i : {0, 140}) {
            const double hz = 1e5 * std::pow(20.0, i / 199.0);
            checks << carrierref::Check{QString("point %1, Hz").arg(i), graph->curveX(i), hz, 1e-12}
                   << carrierref::Check{
                          QString("point %1, W").arg(i), graph->curveY(i),
                          carrierref::reference(referenceDesign(supply, hz, ad), 100).f.zobelW[0],
                          1e-3};
            if (full)
                checks << carrierref::Check{
                    QString("point %1, other's W").arg(i), graph->overlayY(0, i),
                    carrierref::reference(referenceDesign(supply, hz, !ad), 100).f.zobelW[0], 1e-3};
            QVERIFY(graph->curveY(i) >= graph->axisMinimum(GraphControl::YAxis) &&
                    graph->curveY(i) <= graph->axisMaximum(GraphControl::YAxis));
        }
        QVERIFY(carrierref::agree(QTest::currentDataTag(), checks, "(graph, reference)"));
        // Save Data: the curves as shown, BD's column first in full bridge.
        setSaveNameChooser([&dir](QWidget *, const QString &, const QString &suggested,
                                  const QString &) {
            return suggested.endsWith("carrier-loss.csv") ? dir.filePath("loss.csv") : QString();
        });
        childNamed<QAction>(graph, "actionSaveData")->trigger();
        const QList<QByteArray> lines = contents(dir.filePath("loss.csv")).trimmed().split('\n');
        QCOMPARE(lines.value(0),
                 QByteArray(full ? "frequency_Hz,bd_power_W,ad_power_W" : "frequency_Hz,power_W"));
        QCOMPARE(lines.size(), 201);
        for (int i = 0; i < 200; ++i) {
            const QList<QByteArray> v = lines[i + 1].split(',');
            const double bd = ad ? graph->overlayY(0, i) : graph->curveY(i);
            QVERIFY2(
                v.size() == (full ? 3 : 2) && v[0].toDouble() == graph->curveX(i) &&
                    v[1].toDouble() == bd &&
                    (!full || v[2].toDouble() == (ad ? graph->curveY(i) : graph->overlayY(0, i))),
                lines[i + 1]);
        }
        // Emptied supply: nothing to draw.
        playBoth("clear carrier_supply");
        QCOMPARE(graph->curveSize() + graph->overlayCount(), 0);
    }
};

QTEST_MAIN(TestCarrierWindow)
#include "tst_carrierwindow.moc"
