#pragma once

#include "documents/chartmodel.h"
#include "model/abstractdocument.h"

#include <QList>
#include <memory>

// A document without a window: text with CR LF paragraph breaks and a chart model.
class FakeDocument : public AbstractDocument
{
public:
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = normalise(text); }
    void appendText(const QString &text) override { m_text += normalise(text); }
    AbstractChart &chart() override { return m_chart; }
    ChartModel &chartModel() { return m_chart; }

    // CR LF and LF alone become paragraph breaks (CR LF); a lone CR is dropped.
    static QString normalise(QString text)
    {
        return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .remove(u'\r')
            .replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    }

private:
    QString m_text;
    ChartModel m_chart;
};

// A frame of fake documents; the last one made is active until a test says otherwise.
class FakeDocumentHost : public DocumentHost
{
public:
    AbstractDocument *activeDocument() override { return m_active; }
    AbstractDocument *newDocument() override
    {
        m_documents.push_back(std::make_unique<FakeDocument>());
        m_active = m_documents.back().get();
        return m_active;
    }
    FakeDocument *active() { return m_active; }
    void closeAll()
    {
        m_active = nullptr;
        m_documents.clear();
    }

private:
    std::vector<std::unique_ptr<FakeDocument>> m_documents;
    FakeDocument *m_active = nullptr;
};
