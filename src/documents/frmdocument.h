#pragma once

#include "documents/chartmodel.h"
#include "documents/richtext.h"
#include "model/abstractdocument.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class ChartView;
class QPrinter;
class QProgressBar;
class QTextDocument;
class QTextEdit;

namespace RichTextDocument {
class Builder;
}

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
    // Puts the text in a slice per turn of the event loop, the first one at once, with a
    // progress bar over the text; loadFinished tells when it shows. Meanwhile the old text
    // stays, read-only, and lines appended wait for the new one. Closing the window, a new
    // load or setting the text ends it.
    // False, and nothing changes, when the text would stand taller than the editor can lay
    // out at any width (its layout would never finish).
    bool loadRichText(RichText text);
    bool isLoading() const { return m_builder != nullptr; }
    // How long a slice of a load may take (about 30 ms unless set).
    void setLoadSliceMilliseconds(int milliseconds) { m_loadSlice = milliseconds; }
    // Ends a running load; the old text stays.
    void cancelLoad() { endLoad(false); }

    // The narrowest the text wraps, in twips: a narrow window scrolls sideways rather than
    // stack the text into more lines than the editor can lay out. A very long text wraps
    // wider still.
    static constexpr float MinimumWrap = 2880;

    // Empties the titration curve; the derivative stays.
    void LoeschDia();
    // Prints the chart on a landscape page of its own (the printer keeps its orientation
    // afterwards) and leaves its picture on the clipboard. Without a printer only the picture
    // goes to the clipboard.
    void Drucken(QPrinter *printer);

    QSize sizeHint() const override;

Q_SIGNALS:
    // completed is false when the load was ended before its text showed.
    void loadFinished(bool completed);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Resize();
    void loadSlice();
    void endLoad(bool completed);
    // Puts `document` into the editor in place of its own.
    void adopt(std::unique_ptr<QTextDocument> document);
    // The narrowest wrap (twips) that keeps the text within what the editor lays out.
    std::optional<float> wrapFloorFor(const RichText &text) const;

    ChartModel m_chart;
    QTextEdit *m_rtfText = nullptr;
    ChartView *m_chartView = nullptr;

    float m_wrapFloor = MinimumWrap; // twips: the narrowest wrap for the text shown
    std::unique_ptr<RichTextDocument::Builder> m_builder; // while a load runs
    float m_loadingWrapFloor = MinimumWrap;
    QTimer m_loadTurn;
    int m_loadSlice;
    QProgressBar *m_loadProgress = nullptr;
    QString m_appendedWhileLoading;
};
