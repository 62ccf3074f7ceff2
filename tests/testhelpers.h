#pragma once

// Helpers shared by the tests. Those at the top need QtCore alone; the rest drive the windows as a
// user would: finding controls by name, picking list items from the drop-down, typing over a
// field's text, playing scripts of such actions, reading a graph's curve and axes, answering
// message boxes, comparing what a window draws with an approved picture.

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/resource.h>
#include <csignal>

// One row ("path") per file of a fuzzer's seed corpus, named after the file: accept-* files
// must be accepted, refuse-* refused, regress-* are findings kept.
inline void addSeedCorpusRows(const QString &folder)
{
    QTest::addColumn<QString>("path");
    const QDir corpus(folder);
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 5);
    for (const QString &f : files) QTest::newRow(qPrintable(f)) << corpus.filePath(f);
}

// A file's bytes, or "(missing)".
inline QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Runs what it is given with files limited to `limit` bytes (0: no limit): past the limit a write
// fails part way, as on a full device.
template <class F>
void withFileSizeLimit(int limit, F &&what)
{
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const rlimit capped{rlim_t(limit), unlimited.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, limit ? &capped : &unlimited);
    what();
    setrlimit(RLIMIT_FSIZE, &unlimited);
}

#ifdef QT_WIDGETS_LIB

#include "core/common/program.h"
#include "core/network/designrecord.h"
#include "widgets/graphcontrol.h"

#include <QtWidgets>

#include <complex>

// The windows take their titles from the application's name, which the program's main() sets.
// Each test process keeps its settings (recent files, the parts library) to itself, in a folder
// that goes with it: tests running side by side must not see each other's.
inline void nameTheProgram()
{
    QCoreApplication::setApplicationName(QLatin1String(kProgramName));
    static QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
}
Q_COREAPP_STARTUP_FUNCTION(nameTheProgram)

template <class T>
T *childNamed(QObject *parent, const char *name)
{
    T *c = parent->findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control named %s", name);
    return c;
}

// The text a box, button or selector shows.
inline QString textOf(QObject *window, const char *name)
{
    QWidget *w = childNamed<QWidget>(window, name);
    return w->property(qobject_cast<QComboBox *>(w) ? "currentText" : "text").toString();
}

// The texts of the named controls, in turn.
inline QStringList texts(QObject *window, QStringList names)
{
    for (QString &name : names) name = textOf(window, qPrintable(name));
    return names;
}

// The network solved independently of the program's kernels: the speaker, the filter capacitor
// and the Zobel branch as complex admittances, the load against the filter inductor as a divider.
// Designs with real parts' parasitics: full bridge, filter L (uH), Zobel series and parallel C
// (uF), speaker L (mH); the inductor's DCR (ohm) and SRF (Hz), the filter capacitor's ESR (ohm) and
// ESL (H), the Zobel resistor's series L (H). The Zobel capacitors have 3 (series) and 9 (parallel)
// times the filter capacitor's ESR, ESL.
struct PartsDesign {
    const char *name;
    bool full;
    double filterL, czs, czp, speakerL, dcr, srf, esr, esl, rzL;
};
inline const PartsDesign kPartsDesigns[] = {
    {"half, start-up values", false, 22, .1, .1, .67, .03, 8e6, .01, 4e-9, 30e-9},
    {"half, self-resonance at 400 kHz", false, 10, .22, 0, .05, .05, 4e5, .02, 2e-9, 60e-9},
    {"half, no Zobel", false, 68, 0, .47, 0, .2, 2e6, .1, 8e-9, 0},
    {"full, start-up values", true, 22, .1, .1, .67, .03, 8e6, .01, 4e-9, 30e-9},
    {"full, self-resonance at 250 kHz", true, 36, .47, .082, 1.2, .08, 2.5e5, .005, 1e-9, 15e-9},
    {"full, large ESR and ESL", true, 5, 1.0, 1.0, 0, .01, 3e6, .3, 20e-9, 500e-9},
    {"half, every parasitic 0", false, 22, .1, .1, .67, 0, 0, 0, 0, 0},
    {"full, every parasitic 0", true, 15, .33, .82, .3, 0, 0, 0, 0, 0}};

inline DesignRecord partsDesign(const PartsDesign &r, bool withParts = true)
{
    DesignRecord d = DesignRecord::startup();
    d.full_bridge_select = r.full ? kFlagTrue : kFlagFalse;
    d.filter_l_par_modeval = r.filterL * 1e-6;
    d.zobel_c_serval = r.czs * 1e-6;
    d.zobel_c_parval = r.czp * 1e-6;
    d.actual_l_net = r.speakerL;
    Part l, rz, c[3];
    l.dcrOhm = r.dcr;
    l.srfHz = r.srf;
    rz.kind = PartKind::resistor;
    rz.seriesLH = r.rzL;
    for (int k = 0; k < 3; ++k) {
        c[k].kind = PartKind::capacitor;
        c[k].esrOhm = r.esr * (1 + 2 * k * k);
        c[k].eslH = r.esl * (1 + 2 * k * k);
    }
    if (withParts)
        d.parts.items = {l, c[0], rz, c[2], c[1]};
    return d;
}

// Fig. 2 or 3 (dB), or |Zout| (ohm, zobel ignored), of such a design at w: each element as its
// part makes it, in complex arithmetic; another speaker resistance in place of its 8 ohm.
inline double partsFigureAt(const PartsDesign &r, double w, bool zobel, bool outputImpedance,
                            double speakerR = 8.0)
{
    using C = std::complex<double>;
    const C j(0, 1);
    const double k = r.full ? 2 : 1;
    const auto cap = [&](double uF, double times) {  // admittance; none for 0 uF
        return uF ? 1.0 / (r.esr * times + j * w * r.esl * times + 1.0 / (j * w * uF * 1e-6))
                  : C(0);
    };
    C zl = r.dcr + j * w * r.filterL * 1e-6;
    if (r.srf > 0)
        zl = 1.0 / (1.0 / zl + j * w / (std::pow(2 * M_PI * r.srf, 2) * r.filterL * 1e-6));
    const C resistor = 6 * 1.0000001 + j * w * r.rzL;
    const C ys = cap(r.czs, 3);
    const C yz = r.czs ? 1.0 / (1.0 / ys + 1.0 / (1.0 / resistor + cap(r.czp, 9))) : C(0);
    const C across = cap(1.0, 1) + yz / k;
    if (outputImpedance)
        return std::abs(1.0 / (1.0 / (k * zl) + across));
    const C y = 1.0 / (speakerR + j * w * r.speakerL * 1e-3) + (zobel ? across : cap(1.0, 1));
    return 20 * std::log10(std::abs(1.0 / (1.0 + k * zl * y)));
}

namespace reference {
using C = std::complex<double>;
// A capacitance (farads) that is not there: a near-open branch.
inline double orOpen(double c)
{
    return c ? c : 1e-13;
}
// Gain (dB) at w, without or with the Zobel network, for the design's speaker or another
// resistance in its place.
inline double gainDbAt(const DesignRecord &r, double w, bool zobel, double speakerR = -1)
{
    const C j(0, 1);
    const double R = speakerR < 0 ? r.speaker_r_modeval : speakerR;
    C Y = 1.0 / (R + j * w * r.actual_l_net * 1e-3) + j * w * r.filter_c_par_modeval * 1e-6;
    const std::optional<Part> &rz = r.parts.at(PartSlot::zobel_r);  // its inductance, if any
    const C resistor =
        r.zobel_r_parval * 1.0000001 + j * w * (rz && rz->seriesLH ? *rz->seriesLH : 0.0);
    if (zobel)
        Y += 1.0 /
             (1.0 / (j * w * orOpen(r.zobel_c_serval)) +
              1.0 / (1.0 / resistor + j * w * orOpen(r.zobel_c_parval))) /
             (r.full_bridge_select ? 2.0 : 1.0);
    const std::optional<Part> &l = r.parts.at(PartSlot::filter_l);  // its DCR, if any
    const C wL = (l && l->dcrOhm ? *l->dcrOhm : 0.0) + j * w * r.filter_l_par_modeval;
    const double k = r.full_bridge_select ? 2 : 1;
    return 20 * std::log10(std::abs(1.0 / (1.0 + k * wL * Y)));
}
// The same at grid point i, i x 100 Hz with the grid's own 2 pi.
inline double gainDb(const DesignRecord &r, int i, bool zobel, double speakerR = -1)
{
    return gainDbAt(r, i * 6.28318 * 100, zobel, speakerR);
}
// The Zobel resistor's dissipation (W) at i x 100 Hz on the Power window's grid.
inline double dissipation(const DesignRecord &r, double loadPower, int i)
{
    const C j(0, 1);
    const double w = i * 6.28 * 100.0, R = r.zobel_r_parval ? r.zobel_r_parval : 1e-13,
                 V = std::sqrt(r.speaker_r_modeval * loadPower) / (r.full_bridge_select ? 2 : 1);
    const C Zpar = R / (1.0 + j * w * R * orOpen(r.zobel_c_parval));
    return std::norm(V * Zpar / (Zpar + 1.0 / (j * w * orOpen(r.zobel_c_serval)))) / R;
}
// Fig. 2 (false) or Fig. 3 (true): the largest gain from 0 dB up, 20 kHz, 384 kHz.
inline std::array<double, 3> gainFigures(const DesignRecord &r, bool zobel)
{
    double top = 0;
    for (int i = 1; i <= 10000; ++i) top = std::max(top, gainDb(r, i, zobel));
    return {top, gainDb(r, 200, zobel), gainDb(r, 3840, zobel)};
}
// A figure box's text: hundredths, ties to even, shortest form, "dB".
inline QString figureText(double v)
{
    const QString s = QString::number(std::nearbyint(v * 100) / 100, 'g', 15);
    return (s == "-0" ? "0" : s) + "dB";
}
}  // namespace reference

// The main window's gain figures: Fig. 2 maximum, 20 kHz, 384 kHz, then Fig. 3's.
const QStringList kFigureBoxes = {"Text_maxgain4", "Text_gain_20k",    "Text_gain_384k",
                                  "Text_maxgain",  "Text_netgain_20k", "Text_netgain_384k"};

// The design value and remembered text an input keeps in the record.
inline std::pair<double, QString> keptBy(const DesignRecord &r, const QString &input)
{
    const QMap<QString, std::pair<double, QString>> kept{
        {"filter_l_par", {r.filter_l_par_modeval, r.jfilter_l}},
        {"filter_c_par", {r.filter_c_par_modeval, r.jfilter_c}},
        {"zobel_c_par", {r.zobel_c_parval, r.jzobel_c2}},
        {"zobel_c_ser", {r.zobel_c_serval, r.jzobel_c3}},
        {"zobel_r_par", {r.zobel_r_parval, r.jzobel_r2}},
        {"speaker_r_mode", {double(r.speaker_r_modeval), r.jspeaker_r}},
        {"Speaker_L", {r.actual_l_net, r.speaker_l_valtxt}}};
    return kept.value(input);
}

// Creates a window, shows it and waits until it is on screen.
template <class W>
W *openWindow()
{
    auto *w = new W;
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("window not exposed");
    return w;
}

// The named graph's curve as it stands, x and y of every point in turn.
inline QList<double> curveOf(QObject *window, const char *graph)
{
    auto *g = childNamed<GraphControl>(window, graph);
    QList<double> points;
    for (int i = 0; i < g->curveSize(); ++i) points << g->curveX(i) << g->curveY(i);
    return points;
}

// The graph's scale (0 linear, 1 logarithmic), minimum and maximum of X, then the same of Y.
inline QList<double> axesOf(GraphControl *g)
{
    QList<double> a;
    for (GraphControl::Axis axis : {GraphControl::XAxis, GraphControl::YAxis})
        a << g->axisScale(axis) << g->axisMinimum(axis) << g->axisMaximum(axis);
    return a;
}

// Opens the drop-down and clicks the item with that text.
inline bool pickItem(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    const QModelIndex item = view->model()->index(index, combo->modelColumn(), view->rootIndex());
    view->scrollTo(item);
    const QPoint at = view->visualRect(item).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    return !view->isVisible();
}

// Selects the whole text of the field, then types the characters one by one.
inline void typeOver(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Plays a ';'-separated script of user actions on the main window:
//   pick <list> <item>   opens the drop-down and clicks the item
//   type <box> <text>    selects the box's text and types over it key by key
//   full | half          the topology menu items
inline void play(QWidget *form, const QString &script)
{
    for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(' ');
        if (w[0] == "pick") {
            QVERIFY2(pickItem(childNamed<QComboBox>(form, qPrintable(w[1])), w[2]),
                     qPrintable(step));
        } else if (w[0] == "type") {
            QWidget *box = childNamed<QWidget>(form, qPrintable(w[1]));
            auto *combo = qobject_cast<QComboBox *>(box);
            typeOver(combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(box), w.value(2));
        } else if (w[0] == "full" || w[0] == "half") {
            childNamed<QAction>(form, w[0] == "full" ? "Topol_Full_Bridge" : "Topol_Half_Bridge")
                ->trigger();
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
}

// Answers the next file dialog (Qt's own) that opens with the path, as a user picking the file
// in it would; an empty path cancels it. (The end-to-end test types into the dialog itself.)
inline void answerFileDialog(const QString &path)
{
    auto *poll = new QTimer;
    poll->callOnTimeout([poll, path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        if (path.isEmpty())
            return dialog->reject();
        // The name box, as typing would leave it (selectFile() leaves a focused box alone); typing
        // into it also takes back what the list had selected, such as the file a save suggested.
        dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"))->clearSelection();
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    poll->start(10);
}

// Designs that between them reach every input, as command-line options, with the graph whose
// netlist each is checked on.
struct NamedDesign {
    const char *name;
    const char *graph;
    QStringList options;
};
inline const QList<NamedDesign> &netlistDesigns()
{
    static const QList<NamedDesign> designs = {
        {"half bridge, gain with Zobel", "CWGraph4", QStringList{}},
        {"full bridge, gain with Zobel", "CWGraph4",
         QStringList{"--full-bridge", "--load-power", "100"}},
        {"no parallel cap, 2 ohm", "CWGraph4",
         QStringList{"--zobel-c-par", "0", "--speaker-r", "2", "--filter-l", "10", "--filter-c",
                     "2.0", "--zobel-r", "3", "--speaker-l", ".05"}},
        {"full bridge, no series cap", "CWGraph4",
         QStringList{"--full-bridge", "--zobel-c-ser", "0", "--filter-l", "36", "--filter-c", ".47",
                     "--speaker-r", "4", "--speaker-l", "1.2", "--load-power", "7.5"}},
        {"full bridge, 2 ohm, without Zobel", "CWGraph3",
         QStringList{"--full-bridge", "--speaker-r", "2", "--zobel-r", "10", "--zobel-c-par",
                     ".22"}},
        {"no speaker L, without Zobel", "CWGraph3",
         QStringList{"--speaker-l", "0", "--filter-l", "100", "--filter-c", ".1"}},
        {"2 ohm speaker impedance", "CWGraph1", QStringList{"--speaker-r", "2"}},
        {"every input differs, full bridge", "CWGraph4",
         QStringList{"--full-bridge", "--speaker-r", "6", "--speaker-l", "2.5", "--filter-l", "27",
                     "--filter-c", ".68", "--zobel-c-par", ".27", "--zobel-r", "12",
                     "--zobel-c-ser", ".56", "--load-power", "33"}},
    };
    return designs;
}

// Sets a design through the window's own controls, from command-line options: picks, typing,
// the topology menu, and the load power typed into the Power window, which it opens.
inline void setDesignThroughWindow(QWidget *form, const QStringList &args)
{
    const QMap<QString, QString> steps = {
        {"--filter-l", "pick filter_l_par"},   {"--filter-c", "pick filter_c_par"},
        {"--zobel-c-par", "pick zobel_c_par"}, {"--zobel-r", "pick zobel_r_par"},
        {"--zobel-c-ser", "pick zobel_c_ser"}, {"--speaker-r", "pick speaker_r_mode"},
        {"--speaker-l", "type Speaker_L"},     {"--full-bridge", "full"}};
    childNamed<QAction>(form, "power_calcs")->trigger();
    QWidget *power = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "Power_measurement_form" && w->isVisible())
            power = w;
    for (int i = 0; i < args.size(); ++i) {
        const QString option = args[i], value = option == "--full-bridge" ? "" : args[++i];
        if (option == "--load-power")
            typeOver(childNamed<QLineEdit>(power, "Text_peak_voltage"), value);
        else
            play(form, steps[option] + " " + value);
    }
}

// Presses OK on every message box that opens while it lives, noting each one's caption, text and
// icon number.
struct BoxAnswerer : QObject {
    QList<QStringList> seen;
    QTimer poll;
    BoxAnswerer()
    {
        poll.callOnTimeout(this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << QStringList{box->windowTitle(), box->text(), QString::number(box->icon())};
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        poll.start(10);
    }
};

#ifdef QUORVEL_SOURCE_DIR
// The picture against the approved one of that name in tests/golden/, pixel for pixel: empty when
// they match, else how many pixels differ and where the picture as drawn now was saved.
// QUORVEL_APPROVE=1 writes the approved picture anew, to be looked at before it is committed.
inline QString differenceFromApproved(const QImage &image, const QString &name)
{
    const QImage drawn = image.convertToFormat(QImage::Format_RGB32);
    const QString approved = QStringLiteral(QUORVEL_SOURCE_DIR "/tests/golden/") + name;
    if (qEnvironmentVariableIsSet("QUORVEL_APPROVE") && !drawn.save(approved))
        return "cannot write " + approved;
    const QImage old = QImage(approved).convertToFormat(QImage::Format_RGB32);
    int n = old.size() == drawn.size() ? 0 : drawn.width() * drawn.height();  // all: sizes differ
    for (int y = 0; old.size() == drawn.size() && y < old.height(); ++y)
        for (int x = 0; x < old.width(); ++x) n += old.pixel(x, y) != drawn.pixel(x, y);
    if (n == 0)
        return {};
    const QString now = QDir::temp().filePath(name);
    drawn.save(now);
    return QStringLiteral("%1 pixels differ from %2; as drawn now: %3").arg(n).arg(approved, now);
}
#endif

#endif  // QT_WIDGETS_LIB
