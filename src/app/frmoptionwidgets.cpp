// The options dialog's controls at their twips positions, and its tab order.
#include "frmoption.h"

#include "app/dropfolderchooser.h"
#include "app/optionvalues.h"
#include "common/twips.h"

#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSerialPortInfo>

namespace {

template<typename T>
T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QFrame *line(QWidget *parent, const QString &name, QFrame::Shape shape, const QRect &rect)
{
    auto *f = named(new QFrame(parent), name);
    f->setFrameShape(shape);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(rect);
    return f;
}

} // namespace

QRect frmOption::twipsRect(int left, int top, int width, int height) const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    const double dx = s ? s->logicalDotsPerInchX() : 96;
    const double dy = s ? s->logicalDotsPerInchY() : 96;
    return Twips::toPixels(left, top, width, height, dx, dy);
}

void frmOption::buildControls()
{
    setWindowTitle(QStringLiteral("Optionen"));
    resize(twipsRect(0, 0, 7680, 5610).size());
    // The controls' twips sizes were laid out for an 8-point dialog font; at the desktop's
    // usual 9 or 10 points the captions under the scroll bars would be cut off.
    setFont(QFont(QStringLiteral("Arial"), 8));

    auto scrollBar = [this](const QString &name, int maximum, int pageStep, const QRect &rect) {
        auto *bar = named(new QScrollBar(Qt::Vertical, this), name);
        bar->setRange(1, maximum);
        bar->setSingleStep(1);
        bar->setPageStep(pageStep);
        bar->setValue(1);
        bar->setFocusPolicy(Qt::StrongFocus);
        bar->setGeometry(rect);
        return bar;
    };
    m_vscrVoll = scrollBar(
        QStringLiteral("vscrVoll"), OptionValues::VollMaximum, 1, twipsRect(600, 1200, 375, 3135));
    m_vscrZeit = scrollBar(QStringLiteral("vscrZeit"), OptionValues::ZeitMaximum, 10,
        twipsRect(2760, 1200, 375, 3135));
    m_vscrZeit->setValue(5);

    auto label
        = [this](const QString &name, const QString &text, Qt::Alignment align, const QRect &rect) {
              auto *l = named(new QLabel(text, this), name);
              l->setAlignment(align | Qt::AlignVCenter);
              l->setGeometry(rect);
              return l;
          };
    m_lblVol
        = label(QStringLiteral("lblVol"), QString(), Qt::AlignLeft, twipsRect(480, 720, 615, 375));
    m_lblZeit = label(
        QStringLiteral("lblZeit"), QString(), Qt::AlignLeft, twipsRect(2760, 720, 495, 375));
    m_label1[0] = label(QStringLiteral("Label1_0"), QStringLiteral("Titrationsinkremente"),
        Qt::AlignHCenter, twipsRect(0, 4440, 1695, 255));
    m_label1[1] = label(QStringLiteral("Label1_1"), QStringLiteral("Inkrementwartezeit"),
        Qt::AlignHCenter, twipsRect(2040, 4440, 1695, 255));
    m_label2 = label(QStringLiteral("Label2"), QStringLiteral("pH End "), Qt::AlignRight,
        twipsRect(4320, 2640, 735, 255));
    m_label3 = label(QStringLiteral("Label3"), QStringLiteral("MaxVol"), Qt::AlignRight,
        twipsRect(4320, 3360, 735, 255));
    label(QStringLiteral("Label4"), QStringLiteral("ml"), Qt::AlignLeft,
        twipsRect(5880, 3360, 375, 255));

    m_txtEndepH = named(new QLineEdit(QStringLiteral("14"), this), QStringLiteral("txtEndepH"));
    m_txtEndepH->setGeometry(twipsRect(5160, 2640, 615, 285));
    m_txtEndVol = named(new QLineEdit(QStringLiteral("20"), this), QStringLiteral("txtEndVol"));
    m_txtEndVol->setGeometry(twipsRect(5160, 3360, 615, 285));
    m_txtEndepH->installEventFilter(this);
    m_txtEndVol->installEventFilter(this);

    const char *ranges[] = {"pH", "mV"};
    for (int i = 0; i < 2; ++i) {
        m_optBereich[i] = named(new QRadioButton(QString::fromLatin1(ranges[i]), this),
            QStringLiteral("optBereich_%1").arg(i));
        m_optBereich[i]->setGeometry(twipsRect(6480, i == 0 ? 2640 : 3240, 855, 375));
        connect(m_optBereich[i], &QRadioButton::clicked, this, [this, i] { optBereich_Click(i); });
    }
    m_optBereich[0]->setChecked(true);

    m_frame1 = named(new QGroupBox(QStringLiteral("Com Port"), this), QStringLiteral("Frame1"));
    m_frame1->setGeometry(twipsRect(4080, 120, 1695, 1815));
    for (int i = 0; i < 4; ++i) {
        const QRect r = twipsRect(240, 360 + 360 * i, i == 0 ? 1335 : 1215, 255);
        m_optCom[i] = named(new QRadioButton(QStringLiteral("Rs Kanal %1").arg(i + 1), m_frame1),
            QStringLiteral("optCom%1").arg(i + 1));
        m_optCom[i]->setGeometry(r);
    }
    m_optCom[0]->setChecked(true);

    // The device the selected channel opens: any port the system reports, or a typed path
    // (pseudo-terminals are not reported).
    m_lblPortPath = label(QStringLiteral("lblPortPath"), QStringLiteral("Ger\u00E4t"),
        Qt::AlignRight, twipsRect(4080, 2040, 735, 285));
    m_cboPortPath = named(new QComboBox(this), QStringLiteral("cboPortPath"));
    m_cboPortPath->setEditable(true);
    m_cboPortPath->setInsertPolicy(QComboBox::NoInsert);
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        m_cboPortPath->addItem(info.systemLocation());
    m_cboPortPath->setGeometry(twipsRect(4920, 2010, 2535, 315));
    for (int i = 0; i < 4; ++i) {
        connect(m_optCom[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optCom_Click(i + 1);
        });
    }

    m_frame2 = named(new QGroupBox(QStringLiteral("Sprache"), this), QStringLiteral("Frame2"));
    m_frame2->setGeometry(twipsRect(6120, 120, 1335, 1815));
    const char *languages[] = {"deutsch", "english"};
    for (int i = 0; i < 2; ++i) {
        m_option1[i] = named(new QRadioButton(QString::fromLatin1(languages[i]), m_frame2),
            QStringLiteral("Option1_%1").arg(i));
        m_option1[i]->setGeometry(twipsRect(120, i == 0 ? 480 : 840, 1095, 255));
        connect(m_option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    }
    m_option1[0]->setChecked(true);

    m_cmdOK = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOK"));
    m_cmdOK->setGeometry(twipsRect(4440, 4080, 1095, 615));

    line(this, QStringLiteral("Line1"), QFrame::VLine, twipsRect(3840, 120, 30, 4800));
    line(this, QStringLiteral("Line2"), QFrame::HLine, twipsRect(3960, 2460, 3600, 30));
    line(this, QStringLiteral("Line3"), QFrame::HLine, twipsRect(3960, 3840, 3600, 30));
    line(this, QStringLiteral("Line4"), QFrame::HLine, twipsRect(120, 4800, 3600, 30));
    // Below the rest: where stored evaluations go for a LIMS.
    m_dropFolder = new DropFolderChooser(this);
    m_dropFolder->setGeometry(twipsRect(120, 5010, 7320, 375));

    connect(m_vscrVoll, &QScrollBar::valueChanged, this, &frmOption::vscrVoll_Change);
    connect(m_vscrZeit, &QScrollBar::valueChanged, this, &frmOption::vscrZeit_Change);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmOption::cmdOK_Click);

    const QList<QWidget *> order = {
        m_cmdOK,
        m_vscrVoll,
        m_vscrZeit,
        m_txtEndepH,
        m_txtEndVol,
        m_optCom[0],
        m_optCom[1],
        m_optCom[2],
        m_optCom[3],
        m_cboPortPath,
        m_option1[0],
        m_option1[1],
        m_optBereich[0],
        m_optBereich[1],
        m_dropFolder,
    };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    refreshAccessibleNames();
}

void frmOption::refreshAccessibleNames()
{
    m_vscrVoll->setAccessibleName(m_label1[0]->text());
    m_vscrZeit->setAccessibleName(m_label1[1]->text());
    m_txtEndepH->setAccessibleName(m_label2->text().trimmed());
    m_txtEndVol->setAccessibleName(m_label3->text() + QStringLiteral(" (ml)"));
    m_cboPortPath->setAccessibleName(m_lblPortPath->text());
}
