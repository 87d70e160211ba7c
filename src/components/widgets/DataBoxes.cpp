#include "components/widgets/DataBoxes.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCalendarWidget>
#include <QFrame>
#include <QGridLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QValidator>
#include <QVBoxLayout>

namespace brel {

namespace {
constexpr int UnlimitedLength = 32767;

// A small drop-down arrow, drawn so it matches the platform's combo boxes.
QIcon dropDownIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    p.drawPolygon(QPolygonF({QPointF(4, 6), QPointF(12, 6), QPointF(8, 11)}));
    return QIcon(pixmap);
}

QString stars(const QString &text)
{
    return QString(characterCount(text), QLatin1Char('*'));
}

/// Keeps a line within the column's size in characters: QLineEdit's
/// maxLength counts UTF-16 units, in which a character outside the basic
/// plane counts twice. Like maxLength it keeps what fits of an insertion:
/// the excess is taken from what was just typed or pasted, before the cursor.
class CharacterLimit : public QValidator {
public:
    using QValidator::QValidator;
    void setLimit(int characters) { m_limit = characters; }

    State validate(QString &input, int &pos) const override
    {
        int excess = m_limit > 0 ? characterCount(input) - m_limit : 0;
        if (excess <= 0)
            return Acceptable;
        int start = std::clamp(pos, 0, int(input.size()));
        const int end = start;
        for (; excess > 0 && start > 0; --excess) {
            --start;
            if (start > 0 && input.at(start).isLowSurrogate() && input.at(start - 1).isHighSurrogate())
                --start;
        }
        input.remove(start, end - start);
        if (excess > 0)
            input = leftCharacters(input, m_limit);
        pos = std::min(start, int(input.size()));
        return Acceptable;
    }

private:
    int m_limit = 0;
};

/// Installs (once) and sets the character limit of a line; size 0 = unbounded.
void limitCharacters(QLineEdit *line, int size)
{
    auto *limit = line->findChild<CharacterLimit *>(QString(), Qt::FindDirectChildrenOnly);
    if (!limit) {
        limit = new CharacterLimit(line);
        line->setValidator(limit);
    }
    limit->setLimit(size);
    // A size of n characters takes at most 2n UTF-16 units.
    line->setMaxLength(size > 0 ? std::min(2 * size, UnlimitedLength) : UnlimitedLength);
}
} // namespace

// ---------------------------------------------------------------- DbEdit

DbEdit::DbEdit(QWidget *parent) : QLineEdit(parent), m_link(this)
{
    connect(&m_link, &FieldLink::reload, this, &DbEdit::showValue);
    connect(&m_link, &FieldLink::writableChanged, this, &DbEdit::updateWritable);
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_showing || m_masked || !isBound())
            return;
        if (!m_link.writeText(text))
            showValue();
    });
    updateWritable();
}

bool DbEdit::isBound() const
{
    return m_link.dataSource() && !m_link.dataField().isEmpty();
}

void DbEdit::setDataReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    updateWritable();
}

void DbEdit::setMasked(bool masked)
{
    if (masked == m_masked)
        return;
    m_masked = masked;
    updateWritable();
    showValue();
}

void DbEdit::setDisplayFormat(const QString &format)
{
    m_format = format;
    showValue();
}

QString DbEdit::textForValue(const QVariant &value) const
{
    return editText(value, m_format);
}

void DbEdit::updateWritable()
{
    // A box bound to no field keeps its own text (a filter's date): it is
    // typed into like any line.
    QLineEdit::setReadOnly(m_readOnly || m_masked || (isBound() && !m_link.canWrite()));
    limitCharacters(this, m_link.fieldSize());
}

void DbEdit::showValue()
{
    m_showing = true;
    const QString text = textForValue(m_link.value());
    // The value never reaches a masked box: only as many stars as it has characters.
    setText(m_masked ? stars(text) : text);
    m_showing = false;
}

void DbEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Show the stored value in its format once typing is over.
    if (!m_link.hasPending() && !m_masked && m_link.fieldIndex() >= 0 && m_link.dataSet()->isEditing())
        showValue();
}

// ---------------------------------------------------------- DbNumericEdit

DbNumericEdit::DbNumericEdit(QWidget *parent) : DbEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QString typedText(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace)
        return QStringLiteral("\b");
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return {};
    return text;
}

void DbNumericEdit::keyPressEvent(QKeyEvent *event)
{
    const QString typed = typedText(event);
    if (m_filter && !typed.isEmpty() && !m_filter(text(), typed)) {
        event->accept();
        return;
    }
    DbEdit::keyPressEvent(event);
}

void DbNumericEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_filter && !event->commitString().isEmpty() && !m_filter(text(), event->commitString())) {
        event->accept();
        return;
    }
    DbEdit::inputMethodEvent(event);
}

// ------------------------------------------------------------ DbPopupEdit

DbPopupEdit::DbPopupEdit(QWidget *parent) : DbEdit(parent)
{
    QAction *drop = addAction(dropDownIcon(), QLineEdit::TrailingPosition);
    drop->setObjectName(QStringLiteral("dropDown"));
    connect(drop, &QAction::triggered, this, &DbPopupEdit::openPopup);
}

DbPopupEdit::~DbPopupEdit()
{
    // A shared panel outlives the box: give it back before the frame goes.
    if (m_panel && m_frame && m_panel->parent() == m_frame) {
        m_panel->hide();
        m_panel->setParent(nullptr);
    }
}

void DbPopupEdit::setPopupWidget(QWidget *panel)
{
    m_panel = panel;
}

bool DbPopupEdit::isPopupOpen() const
{
    return m_frame && m_frame->isVisible();
}

void DbPopupEdit::openPopup()
{
    if (isPopupOpen() || !isEnabled() || m_readOnly || m_masked || !m_link.canWrite())
        return;
    if (m_openHook)
        m_openHook();
    if (!m_panel)
        m_panel = createPanel();
    if (!m_panel)
        return;
    if (!m_frame) {
        m_frame = new QFrame(this, Qt::Popup);
        m_frame->setFrameShape(QFrame::StyledPanel);
        auto *layout = new QVBoxLayout(m_frame);
        layout->setContentsMargins(1, 1, 1, 1);
        m_frame->installEventFilter(this);
    }
    if (m_panel->parent() != m_frame) {
        m_panel->setParent(m_frame);
        m_frame->layout()->addWidget(m_panel);
    }
    panelOpening();
    m_panel->show();
    m_frame->adjustSize();
    m_frame->move(mapToGlobal(QPoint(0, height())));
    m_closing = false;
    m_frame->show();
    emit popupOpened();
}

void DbPopupEdit::closePopup()
{
    if (!isPopupOpen() || m_closing)
        return;
    bool accept = true;
    if (m_closeHook)
        m_closeHook(accept);
    if (!accept)
        return;
    m_closing = true;
    m_frame->hide();
    finishPopup();
}

bool DbPopupEdit::eventFilter(QObject *watched, QEvent *event)
{
    // A click outside closes a popup window by itself.
    if (watched == m_frame && event->type() == QEvent::Hide && !m_closing) {
        m_closing = true;
        bool accept = true;
        if (m_closeHook)
            m_closeHook(accept);
        finishPopup();
    }
    return DbEdit::eventFilter(watched, event);
}

void DbPopupEdit::finishPopup()
{
    const QVariant before = m_link.value();
    if (m_link.canWrite() && textForValue(before) != text())
        m_link.writeText(text());
    emit popupClosed();
}

// ------------------------------------------------------------- DbDateEdit

DbDateEdit::DbDateEdit(QWidget *parent) : DbPopupEdit(parent)
{
    setPlaceholderText(QStringLiteral("yyyy-MM-dd"));
}

QString DbDateEdit::textForValue(const QVariant &value) const
{
    if (value.userType() == QMetaType::QDateTime)
        return editText(value.toDateTime().date());
    return editText(value);
}

void DbDateEdit::setDate(const QDate &date)
{
    const QString text = date.isValid() ? editText(date) : QString();
    setText(text);
    if (m_link.canWrite())
        m_link.writeText(text);
}

QDate DbDateEdit::date() const
{
    return dateTimeValue(text()).date();
}

QWidget *DbDateEdit::createPanel()
{
    auto *calendar = new QCalendarWidget;
    calendar->setObjectName(QStringLiteral("calendar"));
    calendar->setGridVisible(true);
    connect(calendar, &QCalendarWidget::clicked, this, [this](const QDate &d) {
        setText(editText(d));
        closePopup();
    });
    connect(calendar, &QCalendarWidget::activated, this, [this](const QDate &d) {
        setText(editText(d));
        closePopup();
    });
    return calendar;
}

void DbDateEdit::panelOpening()
{
    if (auto *calendar = qobject_cast<QCalendarWidget *>(m_panel.data())) {
        const QDate d = date();
        calendar->setSelectedDate(d.isValid() ? d : QDate::currentDate());
    }
}

// ------------------------------------------------------------- DbCalcEdit

DbCalcEdit::DbCalcEdit(QWidget *parent) : DbPopupEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void DbCalcEdit::keyPressEvent(QKeyEvent *event)
{
    const QString typed = typedText(event);
    if (m_filter && !typed.isEmpty() && !m_filter(text(), typed)) {
        event->accept();
        return;
    }
    DbPopupEdit::keyPressEvent(event);
}

QWidget *DbCalcEdit::createPanel()
{
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("calculator"));
    auto *grid = new QGridLayout(panel);
    grid->setSpacing(2);
    m_screen = new QLineEdit(panel);
    m_screen->setReadOnly(true);
    m_screen->setAlignment(Qt::AlignRight);
    grid->addWidget(m_screen, 0, 0, 1, 4);
    static const char *keys[] = {"7", "8", "9", "/", "4", "5", "6", "*", "1", "2", "3", "-", "0", ".", "C", "+"};
    for (int i = 0; i < 16; ++i) {
        auto *b = new QPushButton(QString::fromLatin1(keys[i]), panel);
        b->setFixedSize(32, 26);
        b->setFocusPolicy(Qt::NoFocus);
        const QString key = QString::fromLatin1(keys[i]);
        connect(b, &QPushButton::clicked, this, [this, key] { pressCalculatorKey(key); });
        grid->addWidget(b, 1 + i / 4, i % 4);
    }
    auto *equals = new QPushButton(QStringLiteral("="), panel);
    equals->setFocusPolicy(Qt::NoFocus);
    connect(equals, &QPushButton::clicked, this, [this] {
        pressCalculatorKey(QStringLiteral("="));
        setText(m_display);
        closePopup();
    });
    grid->addWidget(equals, 5, 0, 1, 4);
    return panel;
}

void DbCalcEdit::panelOpening()
{
    const auto current = Money::parse(text());
    m_display = current ? current->toString() : QStringLiteral("0");
    m_accumulator.clear();
    m_operator = QChar();
    m_fresh = true;
    showDisplay();
}

void DbCalcEdit::showDisplay()
{
    if (m_screen)
        m_screen->setText(m_display);
}

void DbCalcEdit::pressCalculatorKey(const QString &key)
{
    const QChar k = key.isEmpty() ? QChar() : key.at(0);
    if (k.isDigit() || k == QLatin1Char('.')) {
        if (m_fresh) {
            m_display = k == QLatin1Char('.') ? QStringLiteral("0.") : QString(k);
            m_fresh = false;
        } else if (k != QLatin1Char('.') || !m_display.contains(QLatin1Char('.'))) {
            m_display = m_display == QLatin1String("0") && k != QLatin1Char('.') ? QString(k) : m_display + k;
        }
    } else if (k == QLatin1Char('C')) {
        m_display = QStringLiteral("0");
        m_accumulator.clear();
        m_operator = QChar();
        m_fresh = true;
    } else if (QStringLiteral("+-*/=").contains(k)) {
        if (!m_operator.isNull() && !m_fresh) {
            const Money a = Money::parse(m_accumulator).value_or(Money());
            const Money b = Money::parse(m_display).value_or(Money());
            Money r;
            switch (m_operator.toLatin1()) {
            case '+': r = a + b; break;
            case '-': r = a - b; break;
            case '*': r = a * b; break;
            case '/': r = a / b; break;
            default: r = b; break;
            }
            m_display = r.toString();
        }
        m_accumulator = m_display;
        m_operator = k == QLatin1Char('=') ? QChar() : k;
        m_fresh = true;
    }
    showDisplay();
}

// -------------------------------------------------------------- DbPickBox

DbPickBox::DbPickBox(QWidget *parent) : QComboBox(parent), m_link(this)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(&m_link, &FieldLink::reload, this, &DbPickBox::showValue);
    connect(&m_link, &FieldLink::writableChanged, this, &DbPickBox::updateWritable);
    connect(this, &QComboBox::editTextChanged, this, [this](const QString &text) {
        if (m_showing)
            return;
        if (m_readOnly || !m_link.writeText(text))
            showValue();
    });
    updateWritable();
}

void DbPickBox::setDataReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    updateWritable();
}

void DbPickBox::setItems(const QStringList &items)
{
    m_showing = true;
    clear();
    addItems(items);
    m_showing = false;
    showValue();
}

void DbPickBox::updateWritable()
{
    const bool writable = !m_readOnly && m_link.canWrite();
    lineEdit()->setReadOnly(!writable);
    // A read-only pick box must not change its text through the list either.
    view()->setEnabled(writable);
    limitCharacters(lineEdit(), m_link.fieldSize());
}

void DbPickBox::showValue()
{
    m_showing = true;
    const QString text = editText(m_link.value());
    setCurrentIndex(findText(text));
    setEditText(text);
    m_showing = false;
}

// ------------------------------------------------------------ DbChoiceBox

DbChoiceBox::DbChoiceBox(QWidget *parent) : QComboBox(parent), m_link(this)
{
    connect(&m_link, &FieldLink::reload, this, &DbChoiceBox::showValue);
    connect(&m_link, &FieldLink::writableChanged, this, &DbChoiceBox::updateWritable);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (m_showing)
            return;
        if (m_readOnly || !m_link.writeText(itemText(index)))
            showValue();
    });
    updateWritable();
}

void DbChoiceBox::setDataReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    updateWritable();
}

void DbChoiceBox::setItems(const QStringList &items)
{
    m_showing = true;
    clear();
    addItems(items);
    m_showing = false;
    showValue();
}

void DbChoiceBox::updateWritable()
{
    view()->setEnabled(!m_readOnly && m_link.canWrite());
}

void DbChoiceBox::showValue()
{
    m_showing = true;
    setCurrentIndex(findText(editText(m_link.value())));
    m_showing = false;
}

// ------------------------------------------------------------- DbCheckBox

DbCheckBox::DbCheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent), m_link(this)
{
    connect(&m_link, &FieldLink::reload, this, &DbCheckBox::showValue);
}

void DbCheckBox::setDataReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

bool DbCheckBox::writable() const
{
    return !m_readOnly && m_link.canWrite();
}

void DbCheckBox::nextCheckState()
{
    if (!writable())
        return;
    const bool next = !isChecked();
    if (m_link.writeValue(next))
        setChecked(next);
}

void DbCheckBox::showValue()
{
    setChecked(boolValue(m_link.value()));
}

// ----------------------------------------------------------------- DbMemo

DbMemo::DbMemo(QWidget *parent) : QPlainTextEdit(parent), m_link(this)
{
    connect(&m_link, &FieldLink::reload, this, &DbMemo::showValue);
    connect(&m_link, &FieldLink::writableChanged, this, &DbMemo::updateWritable);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing)
            return;
        QString text = toPlainText();
        const int size = m_link.fieldSize();
        if (size > 0 && characterCount(text) > size) {
            // Longer text than the column holds is cut as it is typed.
            text = leftCharacters(text, size);
            m_showing = true;
            setPlainText(text);
            moveCursor(QTextCursor::End);
            m_showing = false;
        }
        if (!m_link.writeText(text))
            showValue();
    });
    updateWritable();
}

void DbMemo::setDataReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    updateWritable();
}

void DbMemo::updateWritable()
{
    QPlainTextEdit::setReadOnly(m_readOnly || !m_link.canWrite());
}

void DbMemo::showValue()
{
    m_showing = true;
    const QString text = editText(m_link.value());
    if (text != toPlainText())
        setPlainText(text);
    m_showing = false;
}

// ---------------------------------------------------------------- DbLabel

DbLabel::DbLabel(QWidget *parent) : QLabel(parent), m_link(this)
{
    connect(&m_link, &FieldLink::reload, this, &DbLabel::showValue);
}

void DbLabel::setMasked(bool masked)
{
    m_masked = masked;
    showValue();
}

void DbLabel::setDisplayFormat(const QString &format)
{
    m_format = format;
    showValue();
}

void DbLabel::showValue()
{
    const QString text = displayText(m_link.value(), m_format);
    setText(m_masked ? stars(text) : text);
}

} // namespace brel
