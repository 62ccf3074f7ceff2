// The schematic windows and About, opened from the main window's menu: captions, places and
// colours of the value labels, how each label sits on its drawing, and how About closes (the
// drawings and the start-up captions, pixel for pixel, are tst_looks').
#include "app/form1.h"
#include "testhelpers.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QScreen>

namespace {

// The widest caption each input can give, and every value label of a window then as
// "name left,top caption".
const QString kWidest =
    "pick filter_l_par 100; pick zobel_c_par 0; pick zobel_c_ser .047; pick zobel_r_par 100; type "
    "Speaker_L 99.9";
const QStringList kHalf = {"Label_lfilter 112,72 100uH",      "Label_cfilter 192,136 1.0uF",
                           "Label_rzobel_par 352,104 100",    "Label_czobel_par 264,96 no cap.",
                           "Label_czobel_ser 264,168 .047uF", "Label_lspeaker 496,176 99.9mH",
                           "Label_rspeaker 496,120 8"};
const QStringList kFull = {"Label_lfilter1 160,48 100uH",       "Label_lfilter2 152,312 100uH",
                           "Label_cfilter 248,200 1.0uF",       "Label_rzobel_par1 416,80 100",
                           "Label_rzobel_par2 424,320 100",     "Label_czobel_par1 328,80 no cap.",
                           "Label_czobel_par2 328,312 no cap.", "Label_czobel_ser1 328,144 .047uF",
                           "Label_czobel_ser2 328,232 .047uF",  "Label_lspeaker 624,232 99.9mH",
                           "Label_rspeaker 624,168 8"};

}  // namespace

class TestSchematic : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { delete m_form; }
    void init() { m_form = openWindow<Form1>(); }

    void window_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("half bridge, widest") << kWidest + "; half"
                                             << "Half Bridge Schematic" << kHalf;
        QTest::newRow("full bridge, widest") << kWidest + "; full"
                                             << "Full Bridge Schematic" << kFull;
    }

    void window()
    {
        QFETCH(QString, script);
        QFETCH(QString, caption);
        QFETCH(QStringList, labels);
        play(m_form, script);
        childNamed<QAction>(m_form, "schematic_viewer")->trigger();
        QPointer<QWidget> w = QApplication::activeModalWidget();
        QVERIFY(w);
        QCOMPARE(w->objectName(), script.endsWith("full") ? "Schematic_full" : "Schematic");
        QCOMPARE(w->windowTitle(), caption);
        QVERIFY(w->isModal());
        // 90 % of the spare screen width to its left, 10 % of the spare height above it.
        const QRect screen = w->screen()->geometry();
        QVERIFY(qAbs(w->x() - 0.9 * (screen.width() - w->width())) <= 1);
        QVERIFY(qAbs(w->y() - 0.1 * (screen.height() - w->height())) <= 1);

        auto *picture = childNamed<QWidget>(w, "Picture1");
        QImage bare(picture->size(), QImage::Format_RGB32);
        picture->render(&bare, {}, {},
                        QWidget::DrawWindowBackground);  // the drawing without labels
        auto inkIn = [&](const QRect &r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    n += bare.valid(x, y) && bare.pixel(x, y) != qRgb(255, 255, 255);
            return n;
        };
        const QImage shot = w->grab().toImage();
        const QList<QLabel *> shown = picture->findChildren<QLabel *>();
        QStringList actual;
        for (QLabel *l : shown) {
            const QRect r = l->geometry();
            const QByteArray name = l->objectName().toLatin1();
            actual << QString("%1 %2,%3 %4")
                          .arg(name, QString::number(r.x()), QString::number(r.y()), l->text());
            QCOMPARE(shot.pixelColor(l->mapTo(w, QPoint(1, 1))), QColor(240, 192, 64));
            QVERIFY2(picture->rect().contains(r), name);
            QVERIFY2(inkIn(r) == 0, name);  // hides nothing of the drawing
            // Right by its component: the name just above (the lower full-bridge inductor's below).
            QVERIFY2(inkIn(QRect(r.left(), name == "Label_lfilter2" ? r.bottom() + 1 : r.top() - 12,
                                 r.width(), 12)) > 0,
                     name);
            for (QLabel *other : shown)
                QVERIFY2(other == l || !r.intersects(other->geometry()),
                         name + " overlaps " + other->objectName().toLatin1());
        }
        actual.sort();
        labels.sort();
        QCOMPARE(actual, labels);
        w->close();
        QTRY_VERIFY(!w);
    }

    void about_data()
    {
        QTest::addColumn<int>("key");  // 0: the OK button
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("OK") << 0;
    }

    void about()
    {
        QFETCH(int, key);
        for (int opening = 1; opening <= 2; ++opening) {
            childNamed<QAction>(m_form, "mnuAbout")->trigger();
            QPointer<QWidget> about = QApplication::activeModalWidget();
            QVERIFY(about);
            QVERIFY(about->isModal());
            QCOMPARE(about->windowTitle(), QStringLiteral("About Quorvel"));
            if (key)
                QTest::keyClick(about, Qt::Key(key));
            else
                QTest::mouseClick(childNamed<QPushButton>(about, "cmdOK"), Qt::LeftButton);
            QTRY_VERIFY(!about);
        }
    }

private:
    Form1 *m_form = nullptr;
};

QTEST_MAIN(TestSchematic)
#include "tst_schematic.moc"
