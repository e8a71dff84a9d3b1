#include "documentdialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

QtDocumentDialogs::QtDocumentDialogs() = default;
QtDocumentDialogs::~QtDocumentDialogs() = default;

QString QtDocumentDialogs::openFileName(
    QWidget *parent, const QString &title, const QString &filter)
{
    const QString name = QFileDialog::getOpenFileName(parent, title, m_lastFolder, filter);
    if (!name.isEmpty())
        m_lastFolder = QFileInfo(name).absolutePath();
    return name;
}

QString QtDocumentDialogs::saveFileName(
    QWidget *parent, const QString &title, const QString &filter)
{
    QFileDialog dialog(parent, title, m_lastFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without a suffix gets the chosen filter's ("*.rtf*" gives "rtf").
    const auto suffixOf = [](const QString &nameFilter) {
        static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
        return pattern.match(nameFilter).captured(1);
    };
    dialog.setDefaultSuffix(suffixOf(filter));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, suffixOf](const QString &chosen) { dialog.setDefaultSuffix(suffixOf(chosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString name = dialog.selectedFiles().constFirst();
    m_lastFolder = QFileInfo(name).absolutePath();
    return name;
}

void QtDocumentDialogs::pageSetup(QWidget *parent, const QString &title, QPrinter &printer)
{
    QPageSetupDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    dialog.exec();
}

bool QtDocumentDialogs::print(
    QWidget *parent, const QString &title, QPrinter &printer, bool selection)
{
    printer.setPrintRange(selection ? QPrinter::Selection : QPrinter::AllPages);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    // No page numbers to choose: the text is printed whole (or its selection).
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selection);
    return dialog.exec() == QDialog::Accepted;
}

QPrinter *QtDocumentDialogs::defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    if (!m_defaultPrinter || m_defaultPrinter->printerName() != info.printerName())
        m_defaultPrinter = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    return m_defaultPrinter.get();
}

void QtDocumentDialogs::showError(QWidget *parent, const QString &message)
{
    QMessageBox::warning(parent, QStringLiteral("Kalumet"), message);
}
