#pragma once

#include <QList>

class QWidget;
class frmMain;
struct Caption;

// Takes the language from the options dialog's language buttons (Sprache 1 German, 2
// English) and gives every language-dependent control of the main window and the options
// dialog its caption. The dialog is created if it is not there.
void SetzeSprache(frmMain &main);

// The caption table of the resources, read once.
const QList<Caption> &captionTable();

// Applies the rows of `windowName` to `window`; returns the rows whose control was not found.
QList<Caption> applyCaptions(QWidget &window, const QList<Caption> &table, bool german);
