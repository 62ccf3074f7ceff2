#pragma once

// "quorvel sheet [--design PATH] -o FILE": the design sheet, PDF or HTML, written without a
// display. It draws the graphs and the schematic as the windows do, so it runs the windows
// unseen on Qt's offscreen platform, where every other command stays on the core alone.
// Whether the arguments ask for it.
bool isSheetCommand(int argc, char **argv);
// Writes it; 0 when written, 2 with one line on standard error for a refused command line,
// design or file name, 1 for a write that failed (the file there before stays as it was).
int runSheetCommand(int argc, char **argv);
