#pragma once

#include "datastore/DataSet.h"

#include <QObject>
#include <QPointer>

namespace brel {

/// Binds one box to one field of a DataSource: tells the box when to show
/// the current record's value, and writes what the user types.
///
/// Writing: every change of the box's text is written at once when it is a
/// valid value of the field (an empty text is null); the first change puts
/// the data set into edit state. A text that cannot be stored yet (a half
/// typed date) stays pending and is written, or refused with a message
/// that stops the post, when the data set posts. So a post never loses what
/// was typed.
class FieldLink : public QObject {
    Q_OBJECT
public:
    explicit FieldLink(QObject *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    void setDataField(const QString &field);
    QString dataField() const { return m_field; }
    /// Names the box in messages (e.g. "竣工日期"); the field name otherwise.
    void setDisplayLabel(const QString &label) { m_label = label; }

    DataSet *dataSet() const;
    int fieldIndex() const; ///< -1 when there is no open data set with the field
    FieldType fieldType() const;
    int fieldSize() const;  ///< declared text size, 0 = unbounded
    /// True when typing may change the field: an open, modifiable data set
    /// with a current (or new) row and a writable field.
    bool canWrite() const;
    QVariant value() const; ///< the current record's value (null without one)

    /// Writes what the box now shows; false when the data set refused it
    /// (the message has been shown and the box should show the value again).
    bool writeText(const QString &text);
    bool writeValue(const QVariant &value);
    bool hasPending() const { return m_pending; }
    /// Writes a pending text; false (after a message) when it is not valid.
    bool flush();

signals:
    /// The box must show value() again (another record, a change from elsewhere).
    void reload();
    /// Whether the box can be typed into may have changed.
    void writableChanged();

private:
    void rebind();
    void onDataChanged(int field);
    bool ensureEditing();
    QString messageName() const; ///< the label, else the field name

    QPointer<DataSource> m_source;
    QList<QMetaObject::Connection> m_links;
    QMetaObject::Connection m_closeLink;
    QString m_field;
    QString m_label;
    bool m_writing = false;
    bool m_pending = false;
    QString m_pendingText;
};

/// What every data-aware box offers, so a window can treat all its boxes alike.
class DataAware {
public:
    virtual ~DataAware() = default;
    virtual FieldLink *fieldLink() = 0;
    /// Read-only by the window's rules (rights, state); shown but not typed into.
    virtual void setDataReadOnly(bool readOnly) = 0;
    virtual bool isDataReadOnly() const = 0;

    void setDataSource(DataSource *source) { fieldLink()->setDataSource(source); }
    void setDataField(const QString &field) { fieldLink()->setDataField(field); }
};

} // namespace brel
