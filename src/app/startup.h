#pragma once

// The start-up procedure: splash, wait, main window. Returns the program's exit code.
int Main(int argc, char *argv[]);
