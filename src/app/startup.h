#pragma once

class frmMain;

// The one main window while the program runs (null before it is created and after it ends).
extern frmMain *MainForm;

// The start-up procedure: splash, wait, main window. Returns the program's exit code.
int Main(int argc, char *argv[]);
