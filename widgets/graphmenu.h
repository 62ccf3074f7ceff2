#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class GraphControl;
class QAction;
class QWidget;

// What a graph's right-click menu offers beyond copying, saving as an image and fitting.
struct GraphMenuContent {
    QString fileStem;                     // suggested file names: stem.png, stem.csv, stem.cir
    std::function<QByteArray()> csv;      // "Save Data…"
    std::function<QByteArray()> netlist;  // "Save SPICE Netlist…", offered when set
    bool compareLoads = false;            // "Compare Loads", offered when true
};

// Gives the graph its right-click menu, made of actions that are the graph's children:
// actionCopyImage, actionSaveImage, actionSaveData, actionSaveNetlist, actionCompareLoads,
// actionFitView. Files are written whole or not at all; a failure is told in a message box that
// names the file and the reason. Returns the checkable "Compare Loads", or null.
QAction *addGraphMenu(GraphControl *graph, GraphMenuContent content);

// Asks for the name of a file to save; empty when the user cancels. A file dialog unless
// replaced (tests answer it themselves).
using SaveNameChooser = std::function<QString(QWidget *parent, const QString &caption,
                                              const QString &suggested, const QString &filter)>;
void setSaveNameChooser(SaveNameChooser chooser);
