#include "uilanguage.h"

#include <QCoreApplication>
#include <QTranslator>

namespace UiLanguage {

bool apply(bool german)
{
    static QTranslator translator;
    static bool installed = false;
    if (installed) {
        QCoreApplication::removeTranslator(&translator);
        installed = false;
    }
    if (!german)
        return true;
    if (translator.isEmpty() && !translator.load(QStringLiteral(":/i18n/kalumet_de.qm")))
        return false;
    installed = QCoreApplication::installTranslator(&translator);
    return installed;
}

} // namespace UiLanguage
