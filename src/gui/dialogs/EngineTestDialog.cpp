#include "gui/dialogs/EngineTestDialog.h"

#include "core/ini/TextFile.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/KeptPages.h"
#include "core/scan/ResultsExport.h"
#include "gui/common/Prompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

// Colours of the marks: the count's markers and the count, the check's markers and the check text.
const QColor MarkerColour(0xff, 0xe0, 0x80);
const QColor CountColour(0x9c, 0xe6, 0x9c);
const QColor CheckMarkerColour(0xb8, 0xd8, 0xff);
const QColor CheckColour(0xd8, 0xc8, 0xff);

QLabel *valueLabel(const char *name)
{
    auto *label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

QString quoted(const QString &text)
{
    QString shown = resultsExport::printable(text);
    if (shown.size() > 160)
        shown = shown.left(100) + QStringLiteral(" ... ") + shown.right(40);
    return u'"' + shown.toHtmlEscaped() + u'"';
}

QString swatch(const QColor &colour, const QString &text)
{
    return QStringLiteral("<span style=\"background-color:%1\">&nbsp;%2&nbsp;</span>")
        .arg(colour.name(), text);
}

} // namespace

EngineTestDialog::EngineTestDialog(const engines::Definition &definition, const QString &address,
                                   const scan::KeptPages *kept, QWidget *parent)
    : QDialog(parent), m_definition(definition), m_address(address), m_kept(kept),
      m_probe(new engines::EngineProbe(this)), m_url(new QLineEdit), m_keptBox(new QComboBox),
      m_status(valueLabel("lblTestStatus")), m_count(valueLabel("lblTestCount")),
      m_check(valueLabel("lblTestCheck")), m_request(new QPlainTextEdit), m_page(new QPlainTextEdit)
{
    setObjectName(QStringLiteral("frmEngineTest"));
    setWindowTitle(QStringLiteral("Test Engine - ") + definition.header);
    m_url->setObjectName(QStringLiteral("txtTestUrl"));
    m_url->setPlaceholderText(QStringLiteral("http://www.example.com"));
    m_keptBox->setObjectName(QStringLiteral("cmbKeptPages"));
    m_page->setObjectName(QStringLiteral("txtTestPage"));
    // The request as it goes out; a long address wraps anywhere rather than widen the window.
    m_request->setObjectName(QStringLiteral("txtTestRequest"));
    m_request->setReadOnly(true);
    m_request->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_request->setTabChangesFocus(true);
    m_request->setFixedHeight(m_request->fontMetrics().lineSpacing() * 3 + 10);
    m_request->setPlaceholderText(QStringLiteral("What is sent shows here after Fetch."));
    m_page->setReadOnly(true);
    m_page->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto *fetch = new QPushButton(QStringLiteral("Fetch"));
    fetch->setObjectName(QStringLiteral("cmdTestFetch"));
    fetch->setDefault(true);
    auto *file = new QPushButton(QStringLiteral("Open Page..."));
    file->setObjectName(QStringLiteral("cmdTestFile"));
    auto *readKept = new QPushButton(QStringLiteral("Read"));
    readKept->setObjectName(QStringLiteral("cmdTestKept"));
    if (kept) {
        for (const scan::KeptPage &page : kept->pages()) {
            if (page.engineKey.compare(definition.key, Qt::CaseInsensitive) == 0)
                m_keptBox->addItem(page.target, page.query);
        }
    }
    m_keptBox->setEnabled(m_keptBox->count() > 0);
    readKept->setEnabled(m_keptBox->count() > 0);
    if (m_keptBox->count() == 0)
        m_keptBox->addItem(QStringLiteral("(no page of this engine kept from the last scan)"));

    auto *form = new QFormLayout;
    auto *urlRow = new QHBoxLayout;
    urlRow->addWidget(m_url, 1);
    urlRow->addWidget(fetch);
    urlRow->addWidget(file);
    form->addRow(QStringLiteral("URL to look up:"), urlRow);
    auto *keptRow = new QHBoxLayout;
    keptRow->addWidget(m_keptBox, 1);
    keptRow->addWidget(readKept);
    form->addRow(QStringLiteral("Kept page:"), keptRow);
    form->addRow(QStringLiteral("Request:"), m_request);
    form->addRow(QStringLiteral("Status:"), m_status);
    form->addRow(QStringLiteral("Count:"), m_count);
    form->addRow(QStringLiteral("Check text:"), m_check);
    auto *legend = new QLabel(swatch(MarkerColour, QStringLiteral("count markers")) + u' ' +
                              swatch(CountColour, QStringLiteral("count")) + u' ' +
                              swatch(CheckMarkerColour, QStringLiteral("check markers")) + u' ' +
                              swatch(CheckColour, QStringLiteral("check text or zero phrase")));
    legend->setObjectName(QStringLiteral("lblTestLegend"));
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(legend);
    layout->addWidget(m_page, 1);
    layout->addWidget(close);
    resize(720, 560);

    connect(fetch, &QPushButton::clicked, this, &EngineTestDialog::cmdTestFetch_Click);
    connect(m_url, &QLineEdit::returnPressed, this, &EngineTestDialog::cmdTestFetch_Click);
    connect(file, &QPushButton::clicked, this, &EngineTestDialog::cmdTestFile_Click);
    connect(readKept, &QPushButton::clicked, this, &EngineTestDialog::cmdTestKept_Click);
    connect(m_probe, &engines::EngineProbe::finished, this, &EngineTestDialog::showResult);

    const QString why = engines::problem(m_definition);
    m_status->setText(why.isEmpty() ? QStringLiteral("Give a URL, or read a kept page or a file.")
                                    : QStringLiteral("This definition cannot be used: ") + why + u'.');
}

void EngineTestDialog::cmdTestFetch_Click()
{
    const QString target = m_url->text().trimmed();
    if (target.isEmpty()) {
        m_status->setText(QStringLiteral("Type the URL whose links the engine is to count."));
        return;
    }
    m_status->setText(QStringLiteral("Asking ") + m_definition.header + QStringLiteral("..."));
    m_request->setPlainText(engines::requestText(m_definition, m_address, target));
    m_probe->start(m_definition, m_address, target);
}

void EngineTestDialog::cmdTestFile_Click()
{
    const QString path =
        prompts::openFile(this, QStringLiteral("Open Page"), programFolder::path(),
                          QStringLiteral("Pages (*.html *.htm *.json *.txt);;All Files (*)"));
    if (path.isEmpty())
        return;
    QByteArray bytes;
    if (!textFile::readBytes(path, bytes)) {
        m_status->setText(QStringLiteral("The file %1 cannot be read.").arg(path));
        return;
    }
    showResult(
        engines::judgePage(m_definition, QString::fromLatin1(bytes), engines::fileOutcome(bytes.size())));
}

void EngineTestDialog::cmdTestKept_Click()
{
    const scan::KeptPage *page = m_kept ? m_kept->find(m_keptBox->currentData().toString()) : nullptr;
    if (!page)
        return;
    engines::ProbeResult result =
        engines::judgePage(m_definition, QString::fromLatin1(page->body()), page->outcome, page->prefixEmpty);
    result.query = page->query;
    showResult(result);
}

void EngineTestDialog::showResult(const engines::ProbeResult &result)
{
    m_result = result;
    const engines::Extraction &x = result.extraction;
    m_status->setText(scan::statusText(result.report.status) + QStringLiteral(": ") +
                      result.report.detail.toHtmlEscaped());
    m_count->setText(
        x.count.isEmpty()
            ? QStringLiteral("none") +
                  (x.note.isEmpty() ? QString() : QStringLiteral(" (") + x.note.toHtmlEscaped() + u')')
        : result.cell == x.count ? quoted(x.count)
                                 : quoted(x.count) + QStringLiteral(", shown as ") + quoted(result.cell));
    const bool checkMarkers = !m_definition.checkBefore.isEmpty() || !m_definition.checkAfter.isEmpty();
    const bool checkFound = (m_definition.checkBefore.isEmpty() || x.checkBefore.found()) &&
                            (m_definition.checkAfter.isEmpty() || x.checkAfter.found());
    m_check->setText(checkMarkers && !checkFound ? QStringLiteral("the check markers are not on the page")
                     : checkMarkers
                         ? quoted(x.check) + (x.zero ? QStringLiteral(" (the zero phrase)") : QString())
                     : m_definition.zeroPhrase.isEmpty() ? QStringLiteral("no check markers, no zero phrase")
                     : x.zero                            ? QStringLiteral("the zero phrase is on the page")
                              : QStringLiteral("the zero phrase is not on the page"));
    m_page->setPlainText(result.text);

    QList<QTextEdit::ExtraSelection> marks;
    QTextCursor first;
    auto mark = [&](const engines::Span &span, const QColor &colour) {
        if (!span.found() || span.length <= 0)
            return;
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(m_page->document());
        selection.cursor.setPosition(int(span.start));
        selection.cursor.setPosition(int(span.start + span.length), QTextCursor::KeepAnchor);
        selection.format.setBackground(colour);
        marks.append(selection);
        if (first.isNull())
            first = selection.cursor;
    };
    const bool countFound =
        m_definition.kind() != engines::Kind::Markers || (x.countBefore.found() && x.countAfter.found());
    if (countFound) {
        mark(x.countBefore, MarkerColour);
        mark(x.countText, CountColour);
        mark(x.countAfter, MarkerColour);
    }
    if (checkMarkers && x.checkBefore.found()) {
        mark(x.checkBefore, CheckMarkerColour);
        if (x.checkAfter.found())
            mark(x.checkText, CheckColour);
        mark(x.checkAfter, CheckMarkerColour);
    }
    mark(x.zeroText, CheckColour);
    m_page->setExtraSelections(marks);
    if (!first.isNull()) {
        QTextCursor at = first;
        at.clearSelection();
        m_page->setTextCursor(at);
        m_page->centerCursor();
    }
    emit tested();
}
