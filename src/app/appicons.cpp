#include "appicons.h"

#include <QPainter>
#include <QSvgRenderer>

namespace AppIcons {

QPixmap svgPixmap(const QString &resource, const QSize &size)
{
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon toolbarIcon(QStringView key)
{
    static const struct
    {
        const char *key;
        const char *theme;
        const char *resource;
    } icons[] = {
        {"New", "document-new", ":/icons/new.svg"},
        {"Print", "document-print", ":/icons/print.svg"},
        {"Save", "document-save", ":/icons/save.svg"},
    };
    for (const auto &icon : icons) {
        if (key != QLatin1StringView(icon.key))
            continue;
        QIcon own;
        for (int side : {16, 24, 32})
            own.addPixmap(svgPixmap(QString::fromLatin1(icon.resource), QSize(side, side)));
        return QIcon::fromTheme(QString::fromLatin1(icon.theme), own);
    }
    return {};
}

} // namespace AppIcons
