// The tracking query and the re-query of a history entry: handlers of the main window.

#include "form1.h"
#include "ui_form1.h"

#include "CarrierTable.h"
#include "MessageTexts.h"
#include "Module1.h"
#include "MsgBox.h"
#include "TrackingProtocol.h"
#include "TrackingQuery.h"

#include <QPointer>
#include <QRadioButton>

void form1::chaxun_Click()
{
    runQuery(HistoryEntry::Append);
}

void form1::Command3_Click()
{
    runQuery(HistoryEntry::Skip);
}

void form1::runQuery(HistoryEntry history)
{
    m_ui->List1->clear();

    const QString number = m_ui->Text2->text();
    if (number.isEmpty()) {
        MsgBox::show(this, QStringLiteral("请输入快递单号"), NoticeTitle);
        return;
    }
    const std::optional<Carrier> carrier = CarrierTable::forwardLookup([this](const QString &buttonName) {
        const auto *button = m_ui->Frame1->findChild<QRadioButton *>(buttonName);
        return button && button->isChecked();
    });
    if (!carrier)
        return;

    const QString url = TrackingProtocol::requestUrl(TrackingProtocol::requestUrlTemplate(m_endpoints.trackingUrl),
                                                     carrier->apiCode, number);
    // Counted only now: a press that sends nothing must not take the Result list from a query
    // still waiting for its answer.
    const quint64 generation = ++m_resultGeneration;
    const QPointer<form1> self(this);
    const HttpGetResult answer = HttpGetText(url, m_httpOptions); // window events keep flowing here
    if (!self)
        return;
    const bool overtaken = generation != m_resultGeneration;

    if (answer.failed()) {
        // The query never reached the service: nothing to log, nothing to list.
        if (!overtaken)
            MsgBox::show(this, answer.error, NoticeTitle);
        return;
    }
    if (history == HistoryEntry::Append)
        m_ui->List2->addItem(TrackingQuery::historyLine(QTime::currentTime(), carrier->displayName, number));
    if (overtaken)
        return; // a newer query (or a clear) owns the Result list now
    m_ui->List1->addItems(TrackingQuery::resultLines(answer.text));
}

void form1::mnuedit1_Click()
{
    const QList<QListWidgetItem *> selected = m_ui->List2->selectedItems();
    const QString line = selected.isEmpty() ? QString() : selected.first()->text();
    if (line.isEmpty()) {
        MsgBox::show(this, SelectALineFirst);
        return;
    }
    const std::optional<TrackingQuery::HistoryEntry> entry = TrackingQuery::parseHistoryLine(line);
    if (!entry)
        return;
    if (const std::optional<Carrier> carrier = CarrierTable::reverseLookup(entry->displayName)) {
        if (auto *button = m_ui->Frame1->findChild<QRadioButton *>(carrier->buttonName))
            button->setChecked(true);
    }
    m_ui->Text2->setText(entry->number);
    Command3_Click();
}
