#include "frmsplash.h"

#include "app/appicons.h"
#include "app/version.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    auto *outer = new QGridLayout(this);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("fraMainFrame"));
    frame->setFrameShape(QFrame::Box);
    outer->addWidget(frame);

    auto *picLogo = new QLabel(frame);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setPixmap(AppIcons::svgPixmap(QStringLiteral(":/logo.svg"), QSize(128, 128)));
    picLogo->setAccessibleName(QStringLiteral("Kalumet"));

    auto label = [frame](const char *name, const QString &text, int pointDelta) {
        auto *l = new QLabel(text, frame);
        l->setObjectName(QString::fromLatin1(name));
        if (pointDelta != 0) {
            QFont f = l->font();
            f.setPointSizeF(f.pointSizeF() + pointDelta);
            f.setBold(true);
            l->setFont(f);
        }
        return l;
    };
    m_lblProductName = label("lblProductName", QString(), 14);
    m_lblVersion = label("lblVersion", QString(), 2);
    QLabel *platform = label("lblPlatform", QStringLiteral("32 bit Version "), 0);
    QLabel *company = label("lblCompany", QStringLiteral("Kalumet Laborsoftware"), 0);
    QLabel *notice = label("lblCopyright",
        QStringLiteral("Steuerung und Auswertung f\u00FCr Kolbenb\u00FCretten-"
                       "Titratoren mit pH/mV-Messung."),
        0);
    notice->setWordWrap(true);

    auto *grid = new QGridLayout(frame);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setHorizontalSpacing(24);
    grid->addWidget(picLogo, 0, 0, 4, 1, Qt::AlignTop);
    grid->addWidget(m_lblProductName, 0, 1);
    grid->addWidget(m_lblVersion, 1, 1);
    grid->addWidget(platform, 2, 1);
    grid->addWidget(company, 3, 1);
    grid->addWidget(notice, 4, 0, 1, 2);
}

void frmSplash::Form_Load()
{
    m_lblVersion->setText(programVersionText());
    m_lblProductName->setText(programTitle());
}
