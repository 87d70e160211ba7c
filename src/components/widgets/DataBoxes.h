#pragma once

#include "components/widgets/FieldLink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <functional>

class QFrame;
class QKeyEvent;

namespace brel {

/// Text box bound to a field. Shows the current record's value (amounts
/// through the box's format), writes what is typed, limits the length to
/// the column's declared size, and can mask its value with "*" characters
/// (the value itself never reaches the widget then).
class DbEdit : public QLineEdit, public DataAware {
    Q_OBJECT
public:
    explicit DbEdit(QWidget *parent = nullptr);

    FieldLink *fieldLink() override { return &m_link; }
    void setDataReadOnly(bool readOnly) override;
    bool isDataReadOnly() const override { return m_readOnly; }
    /// Same as setDataReadOnly (hides QLineEdit's, which the box manages).
    void setReadOnly(bool readOnly) { setDataReadOnly(readOnly); }

    /// Shows the value as "*" characters and refuses typing.
    void setMasked(bool masked);
    bool isMasked() const { return m_masked; }
    /// Money pattern ("#0.00", "#.##") used to show amounts.
    void setDisplayFormat(const QString &format);
    QString displayFormat() const { return m_format; }

protected:
    virtual QString textForValue(const QVariant &value) const;
    void updateWritable();
    void showValue();
    void focusOutEvent(QFocusEvent *event) override;
    /// Bound to a field; an unbound box only holds its own text.
    bool isBound() const;

    FieldLink m_link;
    bool m_readOnly = false;
    bool m_masked = false;
    bool m_showing = false;
    QString m_format;
};

/// The text a key press types, as a key filter sees it: backspace as "\b";
/// empty for keys that type nothing (arrows, shortcuts).
QString typedText(const QKeyEvent *event);

/// Numeric box: each typed key passes the window's key filter first
/// (current text, typed text), e.g. NumericKeyFilter; a refused key is dropped.
class DbNumericEdit : public DbEdit {
    Q_OBJECT
public:
    using KeyFilter = std::function<bool(const QString &current, const QString &typed)>;
    explicit DbNumericEdit(QWidget *parent = nullptr);
    void setKeyFilter(KeyFilter filter) { m_filter = std::move(filter); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    KeyFilter m_filter;
};

/// A line edit with a drop-down button that hosts any panel. The hooks run
/// when the panel opens and closes; on close the box's text is written to
/// the field. A read-only box does not open its panel.
class DbPopupEdit : public DbEdit {
    Q_OBJECT
public:
    explicit DbPopupEdit(QWidget *parent = nullptr);
    ~DbPopupEdit() override;

    /// The panel shown below the box (shared panels are taken over while open).
    void setPopupWidget(QWidget *panel);
    QWidget *popupWidget() const { return m_panel; }
    void setOpenHook(std::function<void()> hook) { m_openHook = std::move(hook); }
    /// Sets accept to false to keep the panel open.
    void setCloseHook(std::function<void(bool &accept)> hook) { m_closeHook = std::move(hook); }

    bool isPopupOpen() const;

public slots:
    void openPopup();
    /// Closes the panel (asks the close hook) and writes the text.
    void closePopup();

signals:
    void popupOpened();
    void popupClosed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    /// Panel shown when no other was set (the date and calculator boxes).
    virtual QWidget *createPanel() { return nullptr; }
    virtual void panelOpening() {}
    void finishPopup();

    QFrame *m_frame = nullptr;
    QPointer<QWidget> m_panel;
    std::function<void()> m_openHook;
    std::function<void(bool &)> m_closeHook;
    bool m_closing = false;
};

/// Date box: types and shows "yyyy-MM-dd", a calendar drops down, empty allowed.
class DbDateEdit : public DbPopupEdit {
    Q_OBJECT
public:
    explicit DbDateEdit(QWidget *parent = nullptr);
    /// Puts date into the box and the field (an invalid date empties both).
    void setDate(const QDate &date);
    QDate date() const;

protected:
    QString textForValue(const QVariant &value) const override;
    QWidget *createPanel() override;
    void panelOpening() override;
};

/// Numeric box with a small calculator drop-down; "=" puts the result in the box.
class DbCalcEdit : public DbPopupEdit {
    Q_OBJECT
public:
    explicit DbCalcEdit(QWidget *parent = nullptr);
    void setKeyFilter(DbNumericEdit::KeyFilter filter) { m_filter = std::move(filter); }
    /// Presses a calculator key: "0".."9", ".", "+", "-", "*", "/", "=", "C".
    void pressCalculatorKey(const QString &key);
    QString calculatorDisplay() const { return m_display; }

protected:
    QWidget *createPanel() override;
    void panelOpening() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showDisplay();
    DbNumericEdit::KeyFilter m_filter;
    QString m_display;
    QString m_accumulator;
    QChar m_operator;
    bool m_fresh = true;
    QLineEdit *m_screen = nullptr;
};

/// Editable drop-down: offers texts (a pick list), accepts any typed text.
class DbPickBox : public QComboBox, public DataAware {
    Q_OBJECT
public:
    explicit DbPickBox(QWidget *parent = nullptr);
    FieldLink *fieldLink() override { return &m_link; }
    void setDataReadOnly(bool readOnly) override;
    bool isDataReadOnly() const override { return m_readOnly; }
    void setItems(const QStringList &items);

protected:
    void updateWritable();
    void showValue();
    FieldLink m_link;
    bool m_readOnly = false;
    bool m_showing = false;
};

/// Drop-down list whose value can only be one of its items.
class DbChoiceBox : public QComboBox, public DataAware {
    Q_OBJECT
public:
    explicit DbChoiceBox(QWidget *parent = nullptr);
    FieldLink *fieldLink() override { return &m_link; }
    void setDataReadOnly(bool readOnly) override;
    bool isDataReadOnly() const override { return m_readOnly; }
    void setItems(const QStringList &items);

private:
    void updateWritable();
    void showValue();
    FieldLink m_link;
    bool m_readOnly = false;
    bool m_showing = false;
};

/// Check box bound to a yes/no field.
class DbCheckBox : public QCheckBox, public DataAware {
    Q_OBJECT
public:
    explicit DbCheckBox(const QString &text = {}, QWidget *parent = nullptr);
    FieldLink *fieldLink() override { return &m_link; }
    void setDataReadOnly(bool readOnly) override;
    bool isDataReadOnly() const override { return m_readOnly; }

protected:
    void nextCheckState() override;

private:
    void showValue();
    bool writable() const;
    FieldLink m_link;
    bool m_readOnly = false;
};

/// Multi-line text box bound to a field.
class DbMemo : public QPlainTextEdit, public DataAware {
    Q_OBJECT
public:
    explicit DbMemo(QWidget *parent = nullptr);
    FieldLink *fieldLink() override { return &m_link; }
    void setDataReadOnly(bool readOnly) override;
    bool isDataReadOnly() const override { return m_readOnly; }

private:
    void updateWritable();
    void showValue();
    FieldLink m_link;
    bool m_readOnly = false;
    bool m_showing = false;
};

/// Label showing a field of the current record.
class DbLabel : public QLabel, public DataAware {
    Q_OBJECT
public:
    explicit DbLabel(QWidget *parent = nullptr);
    FieldLink *fieldLink() override { return &m_link; }
    void setDataReadOnly(bool) override {}
    bool isDataReadOnly() const override { return true; }
    void setMasked(bool masked);
    void setDisplayFormat(const QString &format);

private:
    void showValue();
    FieldLink m_link;
    bool m_masked = false;
    QString m_format;
};

} // namespace brel
