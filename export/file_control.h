#pragma once

#include "core/files/report.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QTreeView;

// The file-system roots the drive chooser offers: the one holding the current folder and every
// mounted volume's, each once, in order.
QStringList driveRoots(const QString &currentRoot, const QStringList &volumeRoots);

// The export window "File Options": pick a file-system root, a folder and a .txt name, and write
// the circuit values report there. Non-modal; it reads the values from the source it is given at
// each write, so it never needs the window that opened it.
class File_control : public QWidget
{
    Q_OBJECT

public:
    // Brings the schematic captions up to date and returns what the report is made of.
    using ValuesSource = std::function<ReportValues()>;

    explicit File_control(ValuesSource values, QWidget *parent = nullptr);

    QString drive_in_use() const { return m_drive_in_use; }
    QString file_ext() const { return m_file_ext; }
    QString file_path() const { return m_file_path; }
    QString file_name() const { return m_file_name; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void createControls();
    void createBrowsers();
    void connectControls();
    void Form_Load();

    void Command_write_file_Click();
    void Text_file_2_write_MouseMove();
    void drvBrowse_Change();
    void dirBrowse_Change();
    void filBrowse_Click(const QModelIndex &index);
    void Text1_Change();
    void Bad_drive(const FileFailure &failure);
    void showFolder(const QString &path);

    ValuesSource m_values;
    QString m_drive_in_use;
    QString m_file_ext;
    QString m_file_path;
    QString m_file_name;
    QString m_folder;               // the folder the user chose, where the report goes
    bool m_folderRemoving = false;  // the folder list is taking rows out under the user's choice

    QFileSystemModel *m_folders = nullptr;
    QFileSystemModel *m_files = nullptr;
    QPushButton *Command_write_file = nullptr;
    QLineEdit *Text_file_2_write = nullptr;
    QLineEdit *Text1 = nullptr;
    QListView *filBrowse = nullptr;
    QTreeView *dirBrowse = nullptr;
    QComboBox *drvBrowse = nullptr;
};
