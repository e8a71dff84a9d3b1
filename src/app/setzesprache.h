#pragma once

#include <QList>

class QWidget;
class frmMain;
struct Caption;

// Gives every language-dependent control of the main window and the options dialog its
// caption in the language of the settings record (Sprache 1 German, any other English), and
// switches the translated texts with it. The dialog is created if it is not there.
void SetzeSprache(frmMain &main);

// The caption table of the resources, read once.
const QList<Caption> &captionTable();

// Applies the rows of `windowName` to `window`; returns the rows whose control was not found.
QList<Caption> applyCaptions(QWidget &window, const QList<Caption> &table, bool german);
