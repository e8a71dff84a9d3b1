#include "setzesprache.h"

#include "app/captiontable.h"
#include "app/frmmain.h"
#include "app/frmmethode.h"
#include "app/frmoption.h"
#include "app/uilanguage.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

const QList<Caption> &captionTable()
{
    static const QList<Caption> table = [] {
        QFile file(QStringLiteral(":/captions.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            return QList<Caption>();
        return CaptionTable::parse(file);
    }();
    return table;
}

namespace {

bool setCaption(QWidget &window, const QString &control, const QString &text)
{
    if (control == window.objectName()) {
        window.setWindowTitle(text);
        return true;
    }
    // Menus first: a menu's own action shares nothing with its name.
    if (auto *menu = window.findChild<QMenu *>(control)) {
        menu->setTitle(text);
        return true;
    }
    if (auto *action = window.findChild<QAction *>(control)) {
        action->setText(text);
        return true;
    }
    if (auto *button = window.findChild<QAbstractButton *>(control)) {
        button->setText(text);
        return true;
    }
    if (auto *label = window.findChild<QLabel *>(control)) {
        label->setText(text);
        return true;
    }
    if (auto *group = window.findChild<QGroupBox *>(control)) {
        group->setTitle(text);
        return true;
    }
    return false;
}

} // namespace

QList<Caption> applyCaptions(QWidget &window, const QList<Caption> &table, bool german)
{
    QList<Caption> missing;
    for (const Caption &row : table) {
        if (row.window != window.objectName())
            continue;
        if (!setCaption(window, row.control, row.text(german)))
            missing.append(row);
    }
    return missing;
}

void SetzeSprache(frmMain &main)
{
    // Created first: a fresh dialog's load settles the language in the record.
    frmOption *dialog = main.optionDialog();
    const bool german = main.settings().isGerman();
    UiLanguage::apply(german);
    applyCaptions(main, captionTable(), german);
    applyCaptions(*dialog, captionTable(), german);
    if (auto *method = main.findChild<frmMethode *>(QStringLiteral("frmMethode")))
        applyCaptions(*method, captionTable(), german);
    dialog->refreshAccessibleNames();
}
