// The circuit values report as the export window writes it; the window's name check, controls and
// drawing, its drive chooser, and a write failure that leaves the previous report as it was.
#include "app/form1.h"
#include "export/file_control.h"
#include "testhelpers.h"

#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTreeView>

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { delete m_form; }
    void init()
    {
        m_dir.emplace();
        m_form = openWindow<Form1>();
        QVERIFY((m_export = openExport()));
        auto *tree = childNamed<QTreeView>(m_export, "dirBrowse");  // as a click there does
        tree->setCurrentIndex(static_cast<QFileSystemModel *>(tree->model())->index(path()));
    }

    // Written after a change: the design as it stands (every line of it against the reference in
    // tst_extras), and into a root folder with no separator added.
    void report()
    {
        typeName("report.txt");
        play(m_form, "pick zobel_c_par 0; full");
        write();
        const QByteArray report = contents(path("report.txt"));
        QVERIFY2(report.startsWith("Topology: Full Bridge\r\n") &&
                     report.contains("\r\nCzobel parallel:                  no cap.\r\n"),
                 report.constData());
        QCOMPARE(m_export->file_path(), path("report.txt"));
        QCOMPARE(::reportPath("C:\\", "r.txt", '\\'), QStringLiteral("C:\\r.txt"));
    }

    // The pointer crossing the name box: a name without ".txt" is told about and put back.
    void nameCheck()
    {
        auto *box = childNamed<QLineEdit>(m_export, "Text_file_2_write");
        typeName("report");
        BoxAnswerer answerer;
        QTest::mouseMove(m_export->windowHandle(), QPoint(1, 1));  // from outside the box onto it
        QTest::mouseMove(m_export->windowHandle(), box->mapTo(m_export, box->rect().center()));
        QTRY_COMPARE_WITH_TIMEOUT(box->text(), QStringLiteral("default.txt"), 5000);
        QCOMPARE(m_export->file_name(), QStringLiteral("default.txt"));
        QCOMPARE(answerer.seen.size(), 1);
    }

    // The device full: told, and the earlier report stays whole.
    void writeFailure()
    {
        QVERIFY(writeBytes(path("report.txt"), "an earlier report\r\n"));
        typeName("report.txt");
        BoxAnswerer answerer;
        withFileSizeLimit(100, [this] { write(); });
        QCOMPARE(answerer.seen,
                 (QList<QStringList>{{"Bad Drive Selected", "Error number:2\r\nFile too large",
                                      QString::number(QMessageBox::Warning)}}));
        QCOMPARE(contents(path("report.txt")), QByteArray("an earlier report\r\n"));
        QCOMPARE(QDir(path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.txt"});
    }

    void layout_data()
    {
        // Each control where the design puts it: left, top, width, height in twips, 15 to a pixel.
        QTest::addColumn<QList<int>>("twips");
        QTest::newRow("Command_write_file") << QList<int>{6240, 3600, 2415, 735};
        QTest::newRow("Text1") << QList<int>{7680, 1800, 975, 375};
        QTest::newRow("dirBrowse") << QList<int>{1560, 1080, 3495, 1440};
        QTest::newRow("Label1") << QList<int>{600, 360, 975, 375};
    }

    void layout()
    {
        QFETCH(QList<int>, twips);
        QCOMPARE(childNamed<QWidget>(m_export, QTest::currentDataTag())->geometry(),
                 QRect(twips[0] / 15, twips[1] / 15, twips[2] / 15, twips[3] / 15));
    }

    // The arrow from the file list to the name box, pixel for pixel as approved: the strokes' ends
    // fall between pixels, and the shading shows a twip's move.
    void look()
    {
        QCOMPARE(m_export->size(), QSize(646, 328));
        const QImage shot = m_export->grab().toImage();
        const QString differs =
            differenceFromApproved(shot.copy(340, 196, 72, 24), "export_arrow.png");
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
    }

    // The drive chooser's roots: the current folder's among them, each once, in order, however
    // the system lists its volumes.
    void driveRootsInOrder()
    {
        QCOMPARE(driveRoots("/home", {"/mnt/usb", "/", "/home", "/data", "/mnt/usb"}),
                 (QStringList{"/", "/data", "/home", "/mnt/usb"}));
    }

    // A drive picked with the keyboard moves the folder list to it (a test folder stands for one).
    void driveByKeyboard()
    {
        QCOMPARE(openExport(), m_export);  // one window, shown again
        QVERIFY(QDir(path()).mkdir("drive"));
        auto *drives = childNamed<QComboBox>(m_export, "drvBrowse");
        drives->addItem(path("drive"));
        QTest::keyClick(drives, Qt::Key_End);
        auto *tree = childNamed<QTreeView>(m_export, "dirBrowse");
        QCOMPARE(static_cast<QFileSystemModel *>(tree->model())->filePath(tree->currentIndex()),
                 path("drive"));
        QCOMPARE(m_export->drive_in_use(), path("drive"));
    }

private:
    File_control *openExport();
    QString path(const QString &name = {}) const { return m_dir->filePath(name); }
    void typeName(const QString &name)
    {
        typeOver(childNamed<QLineEdit>(m_export, "Text_file_2_write"), name);
    }
    void write()
    {
        QTest::mouseClick(childNamed<QPushButton>(m_export, "Command_write_file"), Qt::LeftButton);
    }

    Form1 *m_form = nullptr;
    File_control *m_export = nullptr;
    std::optional<QTemporaryDir> m_dir;
};

// Chooses Save_As; returns the one export window on screen.
File_control *TestExport::openExport()
{
    childNamed<QAction>(m_form, "Save_As")->trigger();
    QList<File_control *> shown;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == "File_control")
            shown << qobject_cast<File_control *>(w);
    return shown.size() == 1 ? shown[0] : nullptr;
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
