#include "components/widgets/FieldLink.h"

#include "base/Messages.h"

namespace brel {

FieldLink::FieldLink(QObject *parent) : QObject(parent) {}

void FieldLink::setDataSource(DataSource *source)
{
    for (const auto &c : m_links)
        disconnect(c);
    m_links.clear();
    m_source = source;
    if (source) {
        m_links << connect(source, &DataSource::dataSetChanged, this, &FieldLink::rebind)
                << connect(source, &DataSource::dataChanged, this, &FieldLink::onDataChanged)
                << connect(source, &DataSource::stateChanged, this, [this] {
                       if (!m_writing)
                           m_pending = false;
                       emit writableChanged();
                   })
                << connect(source, &DataSource::updateData, this, [this](DataSet::PostVeto *veto) {
                       if (!flush() && veto)
                           veto->abandon = true;
                   });
    }
    rebind();
}

void FieldLink::setDataField(const QString &field)
{
    m_field = field;
    rebind();
}

void FieldLink::rebind()
{
    disconnect(m_closeLink);
    // A close says nothing through the data source; the box must empty itself.
    if (DataSet *ds = dataSet())
        m_closeLink = connect(ds, &DataSet::afterClose, this, [this] {
            m_pending = false;
            emit writableChanged();
            emit reload();
        });
    m_pending = false;
    emit writableChanged();
    emit reload();
}

DataSet *FieldLink::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

int FieldLink::fieldIndex() const
{
    DataSet *ds = dataSet();
    if (!ds || !ds->isActive() || m_field.isEmpty())
        return -1;
    return ds->fieldIndex(m_field);
}

FieldType FieldLink::fieldType() const
{
    const int f = fieldIndex();
    return f < 0 ? FieldType::Unknown : dataSet()->fieldInfo(f).type;
}

int FieldLink::fieldSize() const
{
    const int f = fieldIndex();
    return f < 0 ? 0 : dataSet()->fieldInfo(f).size;
}

bool FieldLink::canWrite() const
{
    const int f = fieldIndex();
    if (f < 0)
        return false;
    DataSet *ds = dataSet();
    if (ds->fieldInfo(f).readOnly || !ds->canModify())
        return false;
    return ds->state() == DataSet::State::Insert || ds->recNo() >= 0;
}

QVariant FieldLink::value() const
{
    const int f = fieldIndex();
    if (f < 0)
        return {};
    DataSet *ds = dataSet();
    if (ds->state() != DataSet::State::Insert && ds->recNo() < 0)
        return {};
    return ds->value(f);
}

void FieldLink::onDataChanged(int field)
{
    if (m_writing)
        return;
    if (field < 0) {
        m_pending = false;
        emit writableChanged();
        emit reload();
        return;
    }
    if (field == fieldIndex()) {
        m_pending = false;
        emit reload();
    }
}

bool FieldLink::ensureEditing()
{
    DataSet *ds = dataSet();
    if (ds->isEditing())
        return true;
    m_writing = true;
    try {
        ds->edit();
    } catch (const EngineError &e) {
        m_writing = false;
        Messages::error(e.message());
        return false;
    }
    m_writing = false;
    return true;
}

bool FieldLink::writeText(const QString &text)
{
    if (!canWrite())
        return false;
    const FieldInput typed = toFieldValue(text, fieldType(), messageName());
    if (!typed.accepted()) {
        // Kept as typed; checked again when the record is posted.
        if (!ensureEditing())
            return false;
        m_pending = true;
        m_pendingText = text;
        return true;
    }
    return writeValue(typed.value);
}

bool FieldLink::writeValue(const QVariant &value)
{
    if (!canWrite() || !ensureEditing())
        return false;
    m_writing = true;
    try {
        dataSet()->setValue(fieldIndex(), value);
    } catch (const EngineError &e) {
        m_writing = false;
        Messages::error(e.message());
        return false;
    }
    m_writing = false;
    m_pending = false;
    return true;
}

bool FieldLink::flush()
{
    if (!m_pending)
        return true;
    const FieldInput typed = toFieldValue(m_pendingText, fieldType(), messageName());
    if (!typed.accepted()) {
        Messages::error(typed.error);
        return false;
    }
    return writeValue(typed.value);
}

QString FieldLink::messageName() const
{
    return m_label.isEmpty() ? m_field : m_label;
}

} // namespace brel
