// The carrier window beside the main window (its looks are tst_looks'): its table against the
// carrier worked out another way (carrierreference.h) and against the hand formula for the supply
// a power needs, the marks of a figure above its rating, the loss curve and its Save Data, the
// speaker's line laid out whole.
#include "app/form1.h"
#include "carrier/carrierwindow.h"
#include "carrierreference.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>

class TestCarrierWindow : public QObject
{
    Q_OBJECT

    Form1 *m_form = nullptr;

    CarrierWindow *carrier() const { return m_form->carrierWindow(); }
    QTableWidget *table() const { return childNamed<QTableWidget>(carrier(), "carrier_table"); }
    QString cell(int row, int column) const { return table()->item(row, column)->text(); }

    // Plays a script on the carrier window and the main window: "type <box> <text>" and
    // "clear <box>" for a carrier window's box, "click <name>" on its buttons, "power <W>" typed
    // into the Power window; anything else is a step of play().
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
            } else {
                play(m_form, step);
            }
        }
    }

    // The main window's design in the reference's terms.
    carrierref::Design referenceDesign(double supply, double fsw, bool ad) const
    {
        const DesignRecord &r = m_form->design();
        return {r.filter_l_par_modeval,
                r.filter_c_par_modeval * 1e-6,
                double(r.zobel_r_parval),
                r.zobel_c_parval,
                r.zobel_c_serval,
                double(r.speaker_r_modeval),
                r.actual_l_net * 1e-3,
                r.fullBridge(),
                ad,
                supply,
                fsw};
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

private slots:
    void init()
    {
        m_form = openWindow<Form1>();
        childNamed<QAction>(m_form, "carrier_window")->trigger();
    }
    void cleanup()
    {
        delete m_form;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
    // supply the hand formula asks for in one sentence and no at-power column. Each rated figure
    // is held against its rating as typed, in red when above it; an emptied rating is no rating.
    void atPower()
    {
        QFETCH(QString, design);
        QFETCH(QList<double>, inputs);
        QFETCH(bool, ad);
        const double supply = inputs[0], fsw = inputs[1] * 1e3, audio = inputs[2],
                     watts = inputs[3];
        playBoth(design +
                 QString("; type carrier_supply %1; type carrier_fsw %2; type "
                         "carrier_audio %3; power %4")
                     .arg(supply)
                     .arg(inputs[1])
                     .arg(audio)
                     .arg(watts) +
                 (ad ? "; click carrier_modulation_ad" : "") +
                 "; type carrier_zobel_rating 5; clear carrier_zobel_rating; type "
                 "carrier_inductor_rating 1234.56; type carrier_capacitor_rating .001");
        carrierref::Design d = referenceDesign(supply, fsw, ad);
        QVERIFY(columnAgrees(QTest::currentDataTag() + QString(", idle"), 1,
                             carrierref::reference(d, 150).f,
                             {0, 0, 2e-4, 0, 0, 2e-4, 0, 0, 0, 0}));
        // The rated rows: inductor peak, filter capacitor.
        const QMap<int, QString> rated{{5, "1234.56 A"}, {6, "0.001 A rms"}};
        for (int row = 0; row < 10; ++row) {
            QCOMPARE(cell(row, 3), rated.value(row));
            for (int column = 1; column <= 2 && !table()->isColumnHidden(column); ++column) {
                const bool above = row == 6;  // every current is above a milliampere
                QCOMPARE(cell(row, column).endsWith(", over the " + rated.value(row) + " rating"),
                         above);
                QCOMPARE(table()->item(row, column)->foreground().color(),
                         above ? QColor(192, 0, 0) : QColor(Qt::black));
            }
        }
        const double volts = carrierref::supplyNeeded(d, audio, watts);
        auto *message = childNamed<QLabel>(carrier(), "carrier_message");
        QCOMPARE(message->isVisible(), volts > supply);
        QCOMPARE(table()->isColumnHidden(2), volts > supply);
        if (volts > supply) {
            QCOMPARE(message->text(), QString("%1 W into this speaker would take a supply of %2 V.")
                                          .arg(watts)
                                          .arg(QString::number(volts, 'g', 3)));
            return;
        }
        d.k = int(std::lround(fsw / audio));
        d.M = volts / supply;
        const carrierref::Figures f = carrierref::reference(d, 30).f;
        QCOMPARE(table()->horizontalHeaderItem(2)->text(),
                 QString("At %1 W, %2 Hz").arg(watts).arg(audio));
        // The ripple and the peak are taken with the duty frozen over a carrier period; the
        // columns' figures with their marks, read as numbers.
        QVERIFY(
            columnAgrees(QTest::currentDataTag() + QString(", at power, M %1").arg(d.M), 2, f,
                         {1e-3, 1e-3, 0.03, 1e-3, 1e-3, 0.02, 1e-3, 1e-3, 1e-3, 1e-3},
                         {carrierref::shown("load power (reference's)", watts, f.loadW, 0.006)}));
    }

    // The speaker's line, which follows every keystroke without laying the window out, is laid
    // out whole once a measured speaker's long file name makes it longer than the window.
    void speakerLine()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath(QString(30, 'w') + ".zma");
        QVERIFY(
            QFile::copy(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma", name));
        auto *line = childNamed<QLabel>(carrier(), "carrier_speaker");
        carrier()->resize(1, 1);
        QCoreApplication::processEvents();
        play(m_form, "type Speaker_L .5");
        QCOMPARE(line->text(), "Speaker: 8 ohm + 0.5 mH. Load power: the Power window's.");
        answerFileDialog(name);
        childNamed<QAction>(m_form, "measured_load")->trigger();
        QTRY_VERIFY(line->text().contains(QString(30, 'w')));
        QTRY_VERIFY(line->width() >= line->sizeHint().width());
    }

    // Full bridge, AD: the curve is AD's, the overlay BD's, each against the reference; Save Data
    // writes them as shown, BD's column first.
    void lossCurve()
    {
        QTemporaryDir dir;
        playBoth(
            "full; type carrier_supply 30; type carrier_fsw 1000; click carrier_modulation_ad");
        GraphControl *g = childNamed<GraphControl>(carrier(), "carrier_loss");
        QCOMPARE(g->overlayCount(), 2);  // the other modulation's curve and the marker
        const double hz = g->curveX(140);
        const auto lossAt = [&](bool ad) {
            return carrierref::reference(referenceDesign(30, hz, ad), 100).f.zobelW[0];
        };
        QVERIFY(carrierref::agree(QString("%1 Hz").arg(hz),
                                  {{"AD W", g->curveY(140), lossAt(true), 1e-3},
                                   {"BD W", g->overlayY(0, 140), lossAt(false), 1e-3}},
                                  "(graph, reference)"));
        setSaveNameChooser([&dir](QWidget *, const QString &, const QString &, const QString &) {
            return dir.filePath("loss.csv");
        });
        childNamed<QAction>(g, "actionSaveData")->trigger();
        const QList<QByteArray> lines = contents(dir.filePath("loss.csv")).trimmed().split('\n');
        QCOMPARE(lines.value(0), "frequency_Hz,bd_power_W,ad_power_W");
        QCOMPARE(lines.size(), 201);
        for (int i = 0; i < 200; ++i) {
            QList<double> saved;
            for (const QByteArray &v : lines[i + 1].split(',')) saved << v.toDouble();
            QCOMPARE(saved, (QList<double>{g->curveX(i), g->overlayY(0, i), g->curveY(i)}));
        }
    }
};

QTEST_MAIN(TestCarrierWindow)
#include "tst_carrierwindow.moc"
