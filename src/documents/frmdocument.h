#pragma once

#include "documents/abstractdocument.h"
#include "documents/chartmodel.h"
#include "documents/richtext.h"

#include <QWidget>

class ChartView;
class QPrinter;
class QTextEdit;

// A document window: the text (rtfText) on the left, the chart (MSChart1) on the right.
// Its caption is "Document N" until it has a file, then the file's path.
class frmDocument : public QWidget, public AbstractDocument
{
    Q_OBJECT
public:
    explicit frmDocument(QWidget *parent = nullptr);
    ~frmDocument() override;

    // The text as the rest of the program sees it: paragraphs joined by CR LF.
    QString text() const override;
    void setText(const QString &text) override;
    // Appends at the end of the text; CR LF or LF alone end a paragraph, a lone CR is dropped.
    void appendText(const QString &text) override;
    AbstractChart &chart() override { return m_chart; }

    ChartModel &chartModel() { return m_chart; }
    QTextEdit *rtfText() const { return m_rtfText; }
    ChartView *MSChart1() const { return m_chartView; }

    // The formatted text, as files hold it.
    RichText richText() const;
    void setRichText(const RichText &text);

    // Empties the titration curve; the derivative stays.
    void LoeschDia();
    // Prints the chart on a landscape page of its own (the printer keeps its orientation
    // afterwards) and leaves its picture on the clipboard. Without a printer only the picture
    // goes to the clipboard.
    void Drucken(QPrinter *printer);

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Resize();

    ChartModel m_chart;
    QTextEdit *m_rtfText = nullptr;
    ChartView *m_chartView = nullptr;
};
