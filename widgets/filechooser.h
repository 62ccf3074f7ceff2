#pragma once

#include <QString>

#include <functional>

class QMenu;
class QWidget;

// Asks for a file to open, or a name to save under, with Qt's own file dialog rather than the
// platform's, so that it looks and answers the same everywhere; empty when the user cancels.
QString chooseFileToOpen(QWidget *parent, const QString &caption, const QString &folder,
                         const QString &filter);
QString chooseFileToSave(QWidget *parent, const QString &caption, const QString &suggested,
                         const QString &filter, const QString &suffix);

// The files last opened of one kind, kept in the settings under `key` (newest first, at most
// eight) and listed in `menu`; choosing one calls `open` with its path.
class RecentFiles
{
public:
    RecentFiles(QMenu *menu, QString key, std::function<void(const QString &)> open);
    void add(const QString &path);
    void remove(const QString &path);
    QStringList paths() const;

private:
    void fill();

    QMenu *m_menu;
    QString m_key;
    std::function<void(const QString &)> m_open;
};
