#include "widgets/filechooser.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

constexpr int kRecentFiles = 8;

QString ask(QFileDialog &dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().first()
               : QString();
}

}  // namespace

QString chooseFileToOpen(QWidget *parent, const QString &caption, const QString &folder,
                         const QString &filter)
{
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setObjectName(QStringLiteral("openFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return ask(dialog);
}

QString chooseFileToSave(QWidget *parent, const QString &caption, const QString &suggested,
                         const QString &filter, const QString &suffix)
{
    QFileDialog dialog(parent, caption, suggested, filter);
    dialog.setObjectName(QStringLiteral("saveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    return ask(dialog);
}

RecentFiles::RecentFiles(QMenu *menu, QString key, std::function<void(const QString &)> open)
    : m_menu(menu), m_key(std::move(key)), m_open(std::move(open))
{
    fill();
}

QStringList RecentFiles::paths() const
{
    return QSettings().value(m_key).toStringList();
}

void RecentFiles::add(const QString &path)
{
    QStringList list = paths();
    const QString full = QFileInfo(path).absoluteFilePath();
    list.removeAll(full);
    list.prepend(full);
    QSettings().setValue(m_key, list.mid(0, kRecentFiles));
    fill();
}

void RecentFiles::remove(const QString &path)
{
    QStringList list = paths();
    list.removeAll(QFileInfo(path).absoluteFilePath());
    QSettings().setValue(m_key, list);
    fill();
}

void RecentFiles::fill()
{
    m_menu->clear();
    const QStringList list = paths();
    for (int i = 0; i < list.size(); ++i) {
        QAction *item = m_menu->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(list[i])));
        const QString path = list[i];
        QObject::connect(item, &QAction::triggered, m_menu, [this, path] { m_open(path); });
    }
    m_menu->setEnabled(!list.isEmpty());
}
