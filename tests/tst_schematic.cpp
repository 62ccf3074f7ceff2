// The schematic windows and About, opened from the main window's menu: captions, positions and
// colours of the value labels, how each label sits on its drawing, and how About closes.
#include "app/form1.h"
#include "testhelpers.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace {

// Every value label of a window as "name left,top caption".
const QStringList kHalf = {
    "Label_lfilter 112,72 22uH", "Label_cfilter 192,136 1.0uF", "Label_rzobel_par 352,104 6",
    "Label_czobel_par 264,96 .1uF", "Label_czobel_ser 264,168 .1uF",
    "Label_lspeaker 496,176 .67mH", "Label_rspeaker 496,120 8"};
const QStringList kFull = {
    "Label_lfilter1 160,48 22uH", "Label_lfilter2 152,312 22uH", "Label_cfilter 248,200 1.0uF",
    "Label_rzobel_par1 416,80 6", "Label_rzobel_par2 424,320 6",
    "Label_czobel_par1 328,80 .1uF", "Label_czobel_par2 328,312 .1uF",
    "Label_czobel_ser1 328,144 .1uF", "Label_czobel_ser2 328,232 .1uF",
    "Label_lspeaker 624,232 .67mH", "Label_rspeaker 624,168 8"};
// The widest caption each selector can give.
const QStringList kWidest = {"filter_l_par=100", "zobel_c_par=0", "zobel_c_ser=.047", "zobel_r_par=100",
                             "Speaker_L=99.9"};

QStringList withoutParallelCap(QStringList labels)
{
    for (QString &l : labels)
        if (l.contains("czobel_par"))
            l.replace(".1uF", "no cap.");
    return labels;
}

QStringList labelsOf(QWidget *window)
{
    QStringList out;
    for (QLabel *l : window->findChildren<QLabel *>())
        out << QString("%1 %2,%3 %4").arg(l->objectName()).arg(l->x()).arg(l->y()).arg(l->text());
    out.sort();
    return out;
}

}  // namespace

class TestSchematic : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void labels_data();
    void labels();
    void drawing_data();
    void drawing();
    void about_data();
    void about();

private:
    QWidget *openSchematic(bool full, const QStringList &picks);
    Form1 *m_form = nullptr;
};

void TestSchematic::init()
{
    m_form = new Form1;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestSchematic::cleanup()
{
    delete m_form;
}

// Picks the items ("selector=item", or types into Speaker_L), sets the topology and opens the
// schematic from the menu; returns the window it shows.
QWidget *TestSchematic::openSchematic(bool full, const QStringList &picks)
{
    for (const QString &pick : picks) {
        const QStringList p = pick.split('=');
        if (p[0] == "Speaker_L")
            typeOver(childNamed<QLineEdit>(m_form, "Speaker_L"), p[1]);
        else if (!pickItem(childNamed<QComboBox>(m_form, qPrintable(p[0])), p[1]))
            qFatal("cannot pick %s", qPrintable(pick));
    }
    childNamed<QAction>(m_form, full ? "Topol_Full_Bridge" : "Topol_Half_Bridge")->trigger();
    childNamed<QAction>(m_form, "schematic_viewer")->trigger();
    return QApplication::activeModalWidget();
}

void TestSchematic::labels_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<QStringList>("picks");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("half bridge, start-up") << false << QStringList{} << "Schematic" << "Half Bridge Schematic" << kHalf;
    QTest::newRow("full bridge, start-up") << true << QStringList{} << "Schematic_full" << "Full Bridge Schematic" << kFull;
    QTest::newRow("half bridge, no parallel C") << false << QStringList{"zobel_c_par=0"} << "Schematic" << "Half Bridge Schematic"
                                                << withoutParallelCap(kHalf);
    QTest::newRow("full bridge, no parallel C") << true << QStringList{"zobel_c_par=0"} << "Schematic_full" << "Full Bridge Schematic"
                                                << withoutParallelCap(kFull);
}

void TestSchematic::labels()
{
    QFETCH(bool, full);
    QFETCH(QStringList, picks);
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(QStringList, labels);
    QPointer<QWidget> w = openSchematic(full, picks);
    QVERIFY(w);
    QCOMPARE(w->objectName(), window);
    QCOMPARE(w->windowTitle(), caption);
    QCOMPARE(w->windowModality(), Qt::ApplicationModal);
    labels.sort();
    QCOMPARE(labelsOf(w), labels);
    const QImage shot = w->grab().toImage();
    for (QLabel *l : w->findChildren<QLabel *>())
        QCOMPARE(shot.pixelColor(l->mapTo(w, QPoint(1, 1))), QColor(240, 192, 64));
    // 90 % of the spare screen width to its left, 10 % of the spare height above it.
    const QRect screen = w->screen()->geometry();
    QVERIFY(qAbs(w->x() - 0.9 * (screen.width() - w->width())) <= 1);
    QVERIFY(qAbs(w->y() - 0.1 * (screen.height() - w->height())) <= 1);
    w->close();
    QTRY_VERIFY(!w);
}

void TestSchematic::drawing_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<QStringList>("picks");
    QTest::newRow("half bridge, start-up") << false << QStringList{};
    QTest::newRow("full bridge, start-up") << true << QStringList{};
    QTest::newRow("half bridge, widest captions") << false << kWidest;
    QTest::newRow("full bridge, widest captions") << true << kWidest;
}

void TestSchematic::drawing()
{
    QFETCH(bool, full);
    QFETCH(QStringList, picks);
    QWidget *w = openSchematic(full, picks);
    QVERIFY(w);
    auto *picture = childNamed<QWidget>(w, "Picture1");
    QImage bare(picture->size(), QImage::Format_RGB32);
    picture->render(&bare, {}, {}, QWidget::DrawWindowBackground);  // the drawing alone
    auto inkIn = [&](const QRect &r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += bare.valid(x, y) && bare.pixel(x, y) != qRgb(255, 255, 255);
        return n;
    };
    const QList<QLabel *> labels = picture->findChildren<QLabel *>();
    for (QLabel *l : labels) {
        const QRect r = l->geometry();
        const QByteArray name = l->objectName().toLatin1();
        QVERIFY2(picture->rect().contains(r), name);
        QVERIFY2(inkIn(r) == 0, name);  // hides nothing of the drawing
        // Right by its component: its name just above (the lower full-bridge inductor's below).
        const int by = name == "Label_lfilter2" ? r.bottom() + 1 : r.top() - 12;
        QVERIFY2(inkIn(QRect(r.left(), by, r.width(), 12)) > 0, name);
        for (QLabel *other : labels)
            QVERIFY2(other == l || !r.intersects(other->geometry()), name + " overlaps " + other->objectName().toLatin1());
    }
}

void TestSchematic::about_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("OK") << 0;
}

void TestSchematic::about()
{
    QFETCH(int, key);
    for (int opening = 1; opening <= 2; ++opening) {
        childNamed<QAction>(m_form, "mnuAbout")->trigger();
        QPointer<QWidget> about = QApplication::activeModalWidget();
        QVERIFY(about);
        QCOMPARE(about->objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(about->windowTitle(), QStringLiteral("About Quorvel"));
        QCOMPARE(childNamed<QLabel>(about, "lblTitle")->text(), QStringLiteral("Quorvel"));
        QCOMPARE(childNamed<QLabel>(about, "lblVersion")->text(), QStringLiteral("Version 1.0 May 2005"));
        QCOMPARE(childNamed<QLabel>(about, "lblDescription")->text(),
                 QStringLiteral("This program allows the user to enter in various speaker and filter passive component values "
                                "to explore the second order filter performance versus zobel power dissipation tradeoff for "
                                "either half or full bridge topologies. "));
        if (key)
            QTest::keyClick(about, Qt::Key(key));
        else
            QTest::mouseClick(childNamed<QPushButton>(about, "cmdOK"), Qt::LeftButton);
        QTRY_VERIFY(!about);
    }
}

QTEST_MAIN(TestSchematic)
#include "tst_schematic.moc"
