#include "export/file_control.h"

#include "widgets/windowlook.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>

QStringList driveRoots(const QString &currentRoot, const QStringList &volumeRoots)
{
    QStringList list{currentRoot};
    for (const QString &root : volumeRoots)
        if (!list.contains(root))
            list << root;
    list.sort();
    return list;
}

namespace {

constexpr int kNameCheckGuardMs = 2000;
const QString kPattern = QStringLiteral("*.txt");

template <class T>
T *placed(T *control, const char *name, const QRect &at)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(at);
    return control;
}

// The file-system roots the drive chooser offers, the one holding the current folder included.
QStringList roots()
{
    QStringList volumes;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir())
            volumes << volume.rootPath();
    return driveRoots(QStorageInfo(QDir::currentPath()).rootPath(), volumes);
}

// A root's current folder: the process's own on the root that holds it, the root elsewhere.
QString currentFolderOn(const QString &root)
{
    const QString here = QDir::currentPath();
    return QStorageInfo(here).rootPath() == root ? here : root;
}

}  // namespace

File_control::File_control(ValuesSource values, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_values(std::move(values))
{
    createControls();
    createBrowsers();
    connectControls();
    Form_Load();
}

void File_control::createControls()
{
    setObjectName(QStringLiteral("File_control"));
    setWindowTitle(QStringLiteral("File Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    styleWindow(this);

    Command_write_file = placed(new QPushButton(QStringLiteral("WRITE VALUES TO FILE"), this),
                                "Command_write_file", twipsRect(6240, 3600, 2415, 735));
    Text_file_2_write = placed(new QLineEdit(QStringLiteral("default.txt"), this),
                               "Text_file_2_write", twipsRect(6240, 2880, 2415, 375));
    // The name check answers pointer movement with no button held, too.
    Text_file_2_write->setMouseTracking(true);
    Text_file_2_write->installEventFilter(this);
    Text1 = placed(new QLineEdit(kPattern, this), "Text1", twipsRect(7680, 1800, 975, 375));
    placed(goldLabel(QStringLiteral("File to Write Filter Values :"), this), "Label5",
           twipsRect(6240, 2520, 2415, 375));
    placed(new QLabel(QStringLiteral("Search Filter:"), this), "Label4",
           twipsRect(6240, 1800, 1455, 375));
    placed(new QLabel(QStringLiteral("Files:"), this), "Label3", twipsRect(600, 2760, 975, 375));
    placed(new QLabel(QStringLiteral("Folder:"), this), "Label2", twipsRect(600, 1080, 975, 375));
    placed(new QLabel(QStringLiteral("Drive:"), this), "Label1", twipsRect(600, 360, 975, 375));
}

void File_control::createBrowsers()
{
    drvBrowse = placed(new QComboBox(this), "drvBrowse", twipsRect(1560, 360, 2415, 315));
    drvBrowse->addItems(roots());
    drvBrowse->setCurrentText(QStorageInfo(QDir::currentPath()).rootPath());

    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setRootPath(QDir::rootPath());
    // A chosen folder that vanishes from the disk stays the chosen folder: the folder list then
    // moves its selection to a neighbour by itself, which must not send the report there. Told
    // before the list's own handling of the removal runs, and after it ends.
    connect(m_folders, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &parent, int first, int last) {
                for (int row = first; row <= last; ++row) {
                    const QString gone = m_folders->filePath(m_folders->index(row, 0, parent));
                    if (m_folder == gone || m_folder.startsWith(gone + QLatin1Char('/')))
                        m_folderRemoving = true;
                }
            });
    dirBrowse = placed(new QTreeView(this), "dirBrowse", twipsRect(1560, 1080, 3495, 1440));
    dirBrowse->setModel(m_folders);
    connect(m_folders, &QAbstractItemModel::rowsRemoved, this,
            [this] { m_folderRemoving = false; });
    dirBrowse->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column) dirBrowse->hideColumn(column);

    m_files = new QFileSystemModel(this);
    m_files->setFilter(QDir::Files);
    m_files->setNameFilters({kPattern});
    m_files->setNameFilterDisables(false);
    filBrowse = placed(new QListView(this), "filBrowse", twipsRect(1560, 2760, 3495, 1260));
    filBrowse->setModel(m_files);

    setTabOrder(drvBrowse, dirBrowse);
    setTabOrder(dirBrowse, filBrowse);
    setTabOrder(filBrowse, Text1);
    setTabOrder(Text1, Text_file_2_write);
    setTabOrder(Text_file_2_write, Command_write_file);
    drvBrowse->setFocus();  // the window opens on the first control of its order
}

void File_control::connectControls()
{
    connect(Command_write_file, &QPushButton::clicked, this,
            &File_control::Command_write_file_Click);
    connect(drvBrowse, &QComboBox::currentIndexChanged, this, &File_control::drvBrowse_Change);
    connect(dirBrowse->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &File_control::dirBrowse_Change);
    // The folder list's rows arrive after it is set, and the model sorts them later still: once
    // an ancestor of the current folder is loaded, sort it now and bring the folder into view.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, [this](const QString &loaded) {
        if (!m_folder.startsWith(loaded))
            return;
        m_folders->sort(0);
        dirBrowse->scrollTo(dirBrowse->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    connect(filBrowse, &QListView::clicked, this, &File_control::filBrowse_Click);
    connect(Text1, &QLineEdit::textChanged, this, &File_control::Text1_Change);
}

void File_control::Form_Load()
{
    fixAndPlaceUpperRight(this, twipsToPixels(9690), twipsToPixels(4920));
    m_drive_in_use = drvBrowse->currentText();
    m_file_name = QStringLiteral("default.txt");
    // The folder list starts on the current folder, and the file list follows it.
    showFolder(QDir::currentPath());
}

void File_control::paintEvent(QPaintEvent *)
{
    // Line1 .. Line5: the arrow from the file list to the name box.
    static const QLineF kArrow[] = {{5160, 3120, 6000, 3120},
                                    {6000, 3120, 5880, 3000},
                                    {6000, 3120, 5880, 3240},
                                    {6120, 3120, 6000, 3000},
                                    {6120, 3120, 6000, 3240}};
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::black, 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    for (const QLineF &line : kArrow) p.drawLine(line);
}

bool File_control::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text_file_2_write && event->type() == QEvent::MouseMove)
        Text_file_2_write_MouseMove();
    return QWidget::eventFilter(watched, event);
}

void File_control::Command_write_file_Click()
{
    // The values as the windows show them; taking them brings the schematic captions up to date.
    const ReportValues values = m_values();
    // The name as it stands: it is checked only when the pointer crosses the box, not here.
    m_file_path = reportPath(QDir::toNativeSeparators(m_folder), Text_file_2_write->text(),
                             QDir::separator());
    // The previous file is replaced whole or not at all.
    if (const std::optional<FileFailure> failure =
            writeFileAtomically(m_file_path, reportBytes(values))) {
        Bad_drive(*failure);
        return;
    }
    // Set twice so that the list is read anew with "*.txt", whatever the filter box holds.
    m_files->setNameFilters({QStringLiteral("*.tx*")});
    m_files->setNameFilters({kPattern});
}

void File_control::Text_file_2_write_MouseMove()
{
    // Pointer movement is held back for two seconds from now.
    const QDeadlineTimer guard(kNameCheckGuardMs);
    // A name with ".txt" anywhere is kept.
    const QString name = Text_file_2_write->text();
    if (isReportName(name)) {
        m_file_name = name;
        return;
    }
    // Told once; pointer movement stays held back until the two seconds have passed, while the
    // window goes on painting.
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                    QStringLiteral("Please enter in a .txt file"), QMessageBox::Ok, this);
    box.exec();
    if (const qint64 left = guard.remainingTime(); left > 0) {
        QEventLoop wait;
        QTimer::singleShot(left, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    Text_file_2_write->setText(m_file_name);
}

void File_control::drvBrowse_Change()
{
    // The folder list moves to the drive, or the chooser goes back to the last good drive, which
    // runs this again for that one.
    const QString drive = drvBrowse->currentText();
    if (const std::optional<FileFailure> failure = folderFailure(drive))
        Bad_drive(*failure);
    else
        showFolder(currentFolderOn(drive));
    // Read back: the chooser may have gone back to the last good drive.
    m_drive_in_use = drvBrowse->currentText();
}

void File_control::dirBrowse_Change()
{
    if (m_folderRemoving)
        return;
    m_folder = m_folders->filePath(dirBrowse->currentIndex());
    filBrowse->setRootIndex(m_files->setRootPath(m_folder));
}

void File_control::filBrowse_Click(const QModelIndex &index)
{
    Text_file_2_write->setText(m_files->fileName(index));
}

void File_control::Text1_Change()
{
    m_file_ext = Text1->text();
    m_files->setNameFilters({m_file_ext});
}

void File_control::Bad_drive(const FileFailure &failure)
{
    QMessageBox::warning(this, QStringLiteral("Bad Drive Selected"),
                         QStringLiteral("Error number:") + QString::number(failure.number) +
                             QStringLiteral("\r\n") + failure.description);
    drvBrowse->setCurrentIndex(drvBrowse->findText(m_drive_in_use));
}

void File_control::showFolder(const QString &path)
{
    const QModelIndex folder = m_folders->index(path);
    for (QModelIndex up = folder.parent(); up.isValid(); up = up.parent()) dirBrowse->expand(up);
    dirBrowse->setCurrentIndex(folder);
    dirBrowse->scrollTo(folder);
}
