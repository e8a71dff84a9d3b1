#pragma once

// Texts outside the caption table (messages, reasons, dialogs of our own) are tr() with
// English source text; German comes from the translation built into the program.
namespace UiLanguage {

// Installs the German translation, or removes it for English; takes effect for every text
// produced from then on. False when German was asked for and the translation is missing.
bool apply(bool german);

} // namespace UiLanguage
