#pragma once

// The command line: "quorvel report|csv|netlist [design options]", --help and --version. It
// needs no display: Qt Core and the core library only.

// Whether the arguments ask for the command line (a command word, help or version) rather than
// the window.
bool isCommandLine(int argc, char **argv);

// Runs it: the result on standard output; a refused command line as one line on standard error,
// with status 2 and nothing on standard output.
int runCommandLine(int argc, char **argv);
