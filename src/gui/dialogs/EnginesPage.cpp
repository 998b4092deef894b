#include "gui/dialogs/EnginesPage.h"

#include "core/engines/EngineSet.h"
#include "core/scan/EngineTable.h"
#include "gui/dialogs/EngineTestDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The editor's line fields: objectName, label, and where they live in a definition. Text fields show the
// file's escapes (\n for a line feed), so that what is typed here is what the file holds.
struct FieldSpec
{
    const char *name;
    const char *label;
    QString engines::Definition::*member; // nullptr: the query address
    bool escapes;
};

const FieldSpec Fields[] = {
    {"txtEngineKey", "Key in settings.ini:", &engines::Definition::key, false},
    {"txtEngineHeader", "Column header:", &engines::Definition::header, false},
    {"txtEngineAddress", "Query address:", nullptr, false},
    {"txtEngineSuffix", "Address suffix:", &engines::Definition::suffix, false},
    {"txtEngineLog", "Log text:", &engines::Definition::logText, false},
    {"txtEngineStatus", "Status-bar text:", &engines::Definition::statusSuffix, true},
    {"txtCountBefore", "Text before the count:", &engines::Definition::countBefore, true},
    {"txtCountAfter", "Text after the count:", &engines::Definition::countAfter, true},
    {"txtExpression", "Expression:", &engines::Definition::expression, false},
    {"txtJsonPointer", "JSON pointer:", &engines::Definition::jsonPointer, false},
    {"txtCheckBefore", "Text before the check:", &engines::Definition::checkBefore, true},
    {"txtCheckAfter", "Text after the check:", &engines::Definition::checkAfter, true},
    {"txtZeroPhrase", "Zero phrase:", &engines::Definition::zeroPhrase, true},
    {"txtSeparators", "Separators:", &engines::Definition::separators, true},
    {"txtEngineBodyType", "Body type:", &engines::Definition::bodyType, false},
    {"txtEngineUsername", "User name:", &engines::Definition::username, false},
    {"txtEnginePassword", "Password:", &engines::Definition::password, false},
};

QStringList linesOf(const QPlainTextEdit *edit)
{
    QStringList lines;
    for (const QString &line : edit->toPlainText().split(u'\n')) {
        if (!line.isEmpty())
            lines.append(engines::unescaped(line));
    }
    return lines;
}

void showLines(QPlainTextEdit *edit, const QStringList &lines)
{
    QStringList shown;
    for (const QString &line : lines)
        shown.append(engines::escaped(line));
    edit->setPlainText(shown.join(u'\n'));
}

QPlainTextEdit *smallEdit(const char *name, const QString &tip)
{
    auto *edit = new QPlainTextEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(tip);
    edit->setTabChangesFocus(true);
    edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 3 + 10);
    return edit;
}

} // namespace

EnginesPage::EnginesPage(QWidget *parent)
    : QWidget(parent), m_list(new QListWidget), m_problem(new QLabel), m_kind(new QComboBox),
      m_spaces(new QComboBox), m_replaceQuotes(new QCheckBox(QStringLiteral("Double quotes read as single"))),
      m_keepSeparators(new QCheckBox(QStringLiteral("The cell keeps the separators"))),
      m_countRemove(
          smallEdit("txtCountRemove", QStringLiteral("Texts removed from the count, one per line"))),
      m_checkRemove(
          smallEdit("txtCheckRemove", QStringLiteral("Texts removed from the check text, one per line"))),
      m_headers(smallEdit("txtRequestHeaders",
                          QStringLiteral("Request headers, one \"Name: value\" per line; ${env:NAME} is read "
                                         "from the environment"))),
      m_method(new QComboBox),
      m_body(
          smallEdit("txtEngineBody",
                    QStringLiteral("What a POST sends; ${target}, ${host} and ${domain} stand for the URL, "
                                   "its host and its registrable domain"))),
      m_batch(new QSpinBox), m_editor(new QWidget)
{
    m_batch->setObjectName(QStringLiteral("spnEngineBatch"));
    m_batch->setRange(1, engines::MaxBatch);
    m_batch->setToolTip(
        QStringLiteral("Targets one POST asks for: the body lists them as ${targets}, the JSON "
                       "pointer finds each at ${index}"));
    m_method->setObjectName(QStringLiteral("cmbEngineMethod"));
    m_method->addItems({QStringLiteral("GET"), QStringLiteral("POST")});
    setObjectName(QStringLiteral("pageEngines"));
    m_list->setObjectName(QStringLiteral("lstEngines"));
    m_problem->setObjectName(QStringLiteral("lblEngineProblem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_kind->setObjectName(QStringLiteral("cmbEngineKind"));
    m_kind->addItems({QStringLiteral("Text markers"), QStringLiteral("Regular expression"),
                      QStringLiteral("JSON pointer")});
    m_spaces->setObjectName(QStringLiteral("cmbSpaces"));
    m_spaces->addItems({QStringLiteral("Keep blanks"), QStringLiteral("Remove blanks"),
                        QStringLiteral("Blanks become zeros")});
    m_replaceQuotes->setObjectName(QStringLiteral("chkReplaceQuotes"));
    m_keepSeparators->setObjectName(QStringLiteral("chkKeepSeparators"));

    auto *form = new QFormLayout(m_editor);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows); // a narrow page puts a label above its field
    for (const FieldSpec &spec : Fields) {
        auto *edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(spec.name));
        m_fields.append(edit);
        if (spec.member == &engines::Definition::countBefore)
            form->addRow(QStringLiteral("Count is found by:"), m_kind);
        if (spec.member == &engines::Definition::password)
            edit->setToolTip(
                QStringLiteral("Give it as ${env:VANTORY_NAME}: a password is never written into "
                               "the file"));
        // The request's own fields come last, below the reading of the answer.
        const bool request = spec.member == &engines::Definition::bodyType ||
                             spec.member == &engines::Definition::username ||
                             spec.member == &engines::Definition::password;
        if (!request)
            form->addRow(QString::fromLatin1(spec.label), edit);
        connect(edit, &QLineEdit::textEdited, this, [this, edit] {
            takeEdits();
            if (edit->objectName() == QLatin1String("txtEngineAddress") && m_current >= 0)
                emit addressEdited(m_definitions.at(m_current).key, edit->text());
        });
    }
    form->addRow(QStringLiteral("Removed from the count:"), m_countRemove);
    form->addRow(QStringLiteral("Removed from the check:"), m_checkRemove);
    form->addRow(QStringLiteral("Blanks in the count:"), m_spaces);
    form->addRow(QString(), m_replaceQuotes);
    form->addRow(QString(), m_keepSeparators);
    form->addRow(QStringLiteral("Request headers:"), m_headers);
    form->addRow(QStringLiteral("Method:"), m_method);
    form->addRow(QStringLiteral("Body:"), m_body);
    form->addRow(QStringLiteral("Targets a request:"), m_batch);
    for (const char *name : {"txtEngineBodyType", "txtEngineUsername", "txtEnginePassword"}) {
        for (qsizetype i = 0; i < std::ssize(Fields); ++i) {
            if (qstrcmp(Fields[i].name, name) == 0)
                form->addRow(QString::fromLatin1(Fields[i].label), m_fields.at(i));
        }
    }
    for (QPlainTextEdit *edit : {m_countRemove, m_checkRemove, m_headers, m_body})
        connect(edit, &QPlainTextEdit::textChanged, this, &EnginesPage::takeEdits);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &EnginesPage::takeEdits);
    connect(m_method, &QComboBox::currentIndexChanged, this, &EnginesPage::takeEdits);
    connect(m_batch, &QSpinBox::valueChanged, this, &EnginesPage::takeEdits);
    connect(m_spaces, &QComboBox::currentIndexChanged, this, &EnginesPage::takeEdits);
    connect(m_replaceQuotes, &QCheckBox::toggled, this, &EnginesPage::takeEdits);
    connect(m_keepSeparators, &QCheckBox::toggled, this, &EnginesPage::takeEdits);

    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("scrEngineEditor"));
    scroll->setWidget(m_editor);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *buttons = new QVBoxLayout;
    auto button = [buttons](const char *name, const char *text) {
        auto *push = new QPushButton(QString::fromLatin1(text));
        push->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(push);
        return push;
    };
    connect(button("cmdEngineAdd", "Add"), &QPushButton::clicked, this, &EnginesPage::cmdEngineAdd_Click);
    connect(button("cmdEngineRemove", "Remove"), &QPushButton::clicked, this,
            &EnginesPage::cmdEngineRemove_Click);
    connect(button("cmdEngineUp", "Up"), &QPushButton::clicked, this, [this] { cmdEngineMove_Click(-1); });
    connect(button("cmdEngineDown", "Down"), &QPushButton::clicked, this, [this] { cmdEngineMove_Click(1); });
    connect(button("cmdEngineTest", "Test..."), &QPushButton::clicked, this,
            &EnginesPage::cmdEngineTest_Click);
    buttons->addStretch();

    auto *left = new QVBoxLayout;
    auto *hint = new QLabel(QStringLiteral("Ticked engines are asked, in this order:"));
    hint->setWordWrap(true);
    left->addWidget(hint);
    auto *row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    row->addLayout(buttons);
    left->addLayout(row, 1);
    left->addWidget(m_problem);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 2);
    layout->addWidget(scroll, 3);

    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_showing)
            select(row);
    });
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        const int index = m_list->row(item);
        if (m_showing || index < 0 || index >= m_definitions.size())
            return;
        m_definitions[index].enabled = item->checkState() == Qt::Checked;
    });
}

void EnginesPage::load(const QList<engines::Definition> &definitions, const QString &settingsIni)
{
    m_definitions = definitions;
    m_loaded = engines::format(definitions);
    m_addresses.clear();
    for (const engines::Definition &d : definitions)
        m_addresses.append(scan::readPrefix(d.key, settingsIni));
    m_showing = true;
    m_list->clear();
    for (int i = 0; i < m_definitions.size(); ++i) {
        auto *item = new QListWidgetItem(m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        refreshItem(i);
    }
    m_showing = false;
    select(m_definitions.isEmpty() ? -1 : 0);
}

QHash<QString, QString> EnginesPage::addresses() const
{
    QHash<QString, QString> byKey;
    for (int i = 0; i < m_definitions.size(); ++i)
        byKey.insert(m_definitions.at(i).key, m_addresses.value(i));
    return byKey;
}

void EnginesPage::setAddress(const QString &key, const QString &address)
{
    for (int i = 0; i < m_definitions.size(); ++i) {
        if (m_definitions.at(i).key.compare(key, Qt::CaseInsensitive) == 0) {
            m_addresses[i] = address;
            QLineEdit *box = field(QStringLiteral("txtEngineAddress"));
            if (i == m_current && box->text() != address) {
                box->setText(address);
                box->setCursorPosition(0);
            }
        }
    }
}

bool EnginesPage::changed() const
{
    return engines::format(m_definitions) != m_loaded;
}

QLineEdit *EnginesPage::field(const QString &name) const
{
    for (QLineEdit *edit : m_fields) {
        if (edit->objectName() == name)
            return edit;
    }
    return nullptr;
}

QString EnginesPage::problemOf(int index) const
{
    const engines::Definition &d = m_definitions.at(index);
    const QString why = engines::problem(d);
    if (!why.isEmpty())
        return why;
    return engines::clash(m_definitions.mid(0, index), d);
}

QStringList EnginesPage::problems() const
{
    QStringList list;
    for (int i = 0; i < m_definitions.size(); ++i) {
        if (const QString why = problemOf(i); !why.isEmpty())
            list.append(m_definitions.at(i).header + QStringLiteral(": ") + why);
    }
    return list;
}

void EnginesPage::refreshItem(int index)
{
    QListWidgetItem *item = m_list->item(index);
    if (!item)
        return;
    const engines::Definition &d = m_definitions.at(index);
    const bool wasShowing = m_showing;
    m_showing = true;
    item->setText(d.header.isEmpty() ? QStringLiteral("(no header)") : d.header);
    item->setCheckState(d.enabled ? Qt::Checked : Qt::Unchecked);
    const QString why = problemOf(index);
    item->setForeground(why.isEmpty() ? palette().text() : QBrush(QColor(0xb0, 0, 0)));
    item->setToolTip(why);
    m_showing = wasShowing;
}

void EnginesPage::select(int index)
{
    m_current = index >= 0 && index < m_definitions.size() ? index : -1;
    m_showing = true;
    m_list->setCurrentRow(m_current);
    m_showing = false;
    showCurrent();
}

void EnginesPage::showCurrent()
{
    m_showing = true;
    m_editor->setEnabled(m_current >= 0);
    const engines::Definition d = m_current >= 0 ? m_definitions.at(m_current) : engines::Definition();
    for (int i = 0; i < m_fields.size(); ++i) {
        const FieldSpec &spec = Fields[i];
        const QString value = spec.member ? d.*spec.member : m_addresses.value(m_current);
        m_fields.at(i)->setText(spec.escapes ? engines::escaped(value) : value);
        m_fields.at(i)->setCursorPosition(0);
    }
    m_kind->setCurrentIndex(int(d.kind()));
    m_spaces->setCurrentIndex(int(d.spaces));
    m_replaceQuotes->setChecked(d.replaceQuotes);
    m_keepSeparators->setChecked(d.keepSeparators);
    showLines(m_countRemove, d.countRemove);
    showLines(m_checkRemove, d.checkRemove);
    QStringList headers;
    for (const auto &[name, value] : d.requestHeaders)
        headers.append(name + QStringLiteral(": ") + value);
    m_headers->setPlainText(headers.join(u'\n'));
    m_method->setCurrentIndex(d.isPost() ? 1 : 0);
    m_body->setPlainText(d.body);
    m_batch->setValue(d.batch);
    m_showing = false;
    showState();
}

// What depends on the fields without being one: which fields the kind uses, and why the engine cannot be
// used. Typing never resets the field being typed in.
void EnginesPage::showState()
{
    const engines::Kind kind = m_current >= 0 ? m_definitions.at(m_current).kind() : engines::Kind::Markers;
    field(QStringLiteral("txtCountBefore"))->setEnabled(kind == engines::Kind::Markers);
    field(QStringLiteral("txtCountAfter"))->setEnabled(kind == engines::Kind::Markers);
    field(QStringLiteral("txtExpression"))->setEnabled(kind == engines::Kind::Expression);
    field(QStringLiteral("txtJsonPointer"))->setEnabled(kind == engines::Kind::Json);
    const bool post = m_current >= 0 && m_definitions.at(m_current).isPost();
    m_body->setEnabled(post);
    m_batch->setEnabled(post);
    field(QStringLiteral("txtEngineBodyType"))->setEnabled(post);
    const QString why = m_current >= 0 ? problemOf(m_current) : QString();
    m_problem->setText(why.isEmpty() ? QString()
                                     : QStringLiteral("This engine cannot be used: ") + why + u'.');
}

void EnginesPage::takeEdits()
{
    if (m_showing || m_current < 0)
        return;
    engines::Definition &d = m_definitions[m_current];
    for (int i = 0; i < m_fields.size(); ++i) {
        const FieldSpec &spec = Fields[i];
        const QString text = m_fields.at(i)->text();
        if (spec.member)
            d.*spec.member = spec.escapes ? engines::unescaped(text) : text;
        else
            m_addresses[m_current] = text;
    }
    // The kind box decides: an expression or a JSON pointer only counts when its kind is chosen.
    const int kind = m_kind->currentIndex();
    d.json = kind == int(engines::Kind::Json);
    if (kind != int(engines::Kind::Expression))
        d.expression.clear();
    else if (d.expression.isEmpty()) {
        d.expression = QStringLiteral("(\\d[\\d,.]*)");
        field(QStringLiteral("txtExpression"))->setText(d.expression);
    }
    d.spaces = engines::SpaceRule(m_spaces->currentIndex());
    d.replaceQuotes = m_replaceQuotes->isChecked();
    d.keepSeparators = m_keepSeparators->isChecked();
    d.countRemove = linesOf(m_countRemove);
    d.checkRemove = linesOf(m_checkRemove);
    d.requestHeaders.clear();
    for (const QString &line : m_headers->toPlainText().split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (!line.trimmed().isEmpty())
            d.requestHeaders.append(
                {line.left(colon).trimmed(), colon < 0 ? QString() : line.mid(colon + 1).trimmed()});
    }
    d.method = m_method->currentIndex() == 1 ? QStringLiteral("POST") : QStringLiteral("GET");
    d.body = d.isPost() ? m_body->toPlainText() : QString();
    d.batch = d.isPost() ? m_batch->value() : 1;
    refreshItem(m_current);
    showState();
}

void EnginesPage::cmdEngineAdd_Click()
{
    engines::Definition d;
    int n = m_definitions.size() + 1;
    auto taken = [this](const QString &name) {
        for (const engines::Definition &other : std::as_const(m_definitions)) {
            if (other.key.compare(name, Qt::CaseInsensitive) == 0 ||
                other.header.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    };
    while (taken(QStringLiteral("Engine%1").arg(n)))
        ++n;
    d.key = d.header = d.logText = d.section = QStringLiteral("Engine%1").arg(n);
    d.statusSuffix = QStringLiteral(" on ") + d.header;
    m_definitions.append(d);
    m_addresses.append(QString());
    m_showing = true;
    auto *item = new QListWidgetItem(m_list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    m_showing = false;
    refreshItem(int(m_definitions.size()) - 1);
    select(int(m_definitions.size()) - 1);
}

void EnginesPage::cmdEngineRemove_Click()
{
    if (m_current < 0)
        return;
    const int index = m_current;
    m_definitions.removeAt(index);
    m_addresses.removeAt(index);
    m_showing = true;
    delete m_list->takeItem(index);
    m_showing = false;
    for (int i = 0; i < m_definitions.size(); ++i)
        refreshItem(i);
    select(qMin(index, int(m_definitions.size()) - 1));
}

void EnginesPage::cmdEngineMove_Click(int by)
{
    const int to = m_current + by;
    if (m_current < 0 || to < 0 || to >= m_definitions.size())
        return;
    m_definitions.swapItemsAt(m_current, to);
    m_addresses.swapItemsAt(m_current, to);
    refreshItem(m_current);
    refreshItem(to);
    select(to);
}

void EnginesPage::cmdEngineTest_Click()
{
    if (m_current < 0)
        return;
    auto *dialog =
        new EngineTestDialog(m_definitions.at(m_current), m_addresses.value(m_current), m_kept, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}
