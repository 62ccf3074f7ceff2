// The schematic windows and About, opened from the main window's menu: with the widest captions
// every label shows its whole text, on the gold it is drawn on, over no line of the drawing and
// no other label; About closes by key or button (the drawings and the start-up captions, pixel
// for pixel, are tst_looks').
#include "app/form1.h"
#include "testhelpers.h"

#include <QLabel>
#include <QPointer>

class TestSchematic : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { delete m_form; }
    void init() { m_form = openWindow<Form1>(); }

    void window_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("labels");
        QTest::newRow("half") << QString("Half Bridge Schematic") << 7;
        QTest::newRow("full") << QString("Full Bridge Schematic") << 11;
    }

    void window()
    {
        QFETCH(QString, caption);
        QFETCH(int, labels);
        play(m_form,
             "pick filter_l_par 100; pick zobel_c_par 0; pick zobel_c_ser .047; pick zobel_r_par "
             "100; type Speaker_L 99.9; " +
                 QString(QTest::currentDataTag()));
        childNamed<QAction>(m_form, "schematic_viewer")->trigger();
        QPointer<QWidget> w = QApplication::activeModalWidget();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), caption);
        auto *picture = childNamed<QWidget>(w, "Picture1");
        QImage bare(picture->size(), QImage::Format_RGB32);
        picture->render(&bare, {}, {}, QWidget::DrawWindowBackground);  // without the labels
        const QImage shot = w->grab().toImage();
        const QList<QLabel *> shown = picture->findChildren<QLabel *>();
        QCOMPARE(shown.size(), labels);
        for (QLabel *l : shown) {
            const QRect r = l->geometry();
            const QByteArray name = l->objectName().toLatin1();
            QVERIFY2(!l->text().isEmpty() && r.width() >= l->sizeHint().width(), name);
            QCOMPARE(shot.pixelColor(l->mapTo(w, QPoint(1, 1))), QColor(240, 192, 64));
            QVERIFY2(picture->rect().contains(r), name);
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    QVERIFY2(bare.pixel(x, y) == qRgb(255, 255, 255), name);
            for (QLabel *other : shown)
                QVERIFY2(other == l || !r.intersects(other->geometry()),
                         name + " overlaps " + other->objectName().toLatin1());
        }
        w->close();
        QTRY_VERIFY(!w);
    }

    // Opened twice: Escape closes it, then its OK button.
    void about()
    {
        for (int key : {int(Qt::Key_Escape), 0}) {
            childNamed<QAction>(m_form, "mnuAbout")->trigger();
            QPointer<QWidget> about = QApplication::activeModalWidget();
            QVERIFY(about);
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
