#include "datastore/DataSet.h"

#include "base/Messages.h"

#include <QCoreApplication>

namespace brel {

// --------------------------------------------------------------- DataSource

DataSource::DataSource(QObject *parent) : QObject(parent) {}

void DataSource::setDataSet(DataSet *dataSet)
{
    if (m_dataSet == dataSet && (dataSet || m_links.isEmpty()))
        return;
    for (const auto &c : m_links)
        disconnect(c);
    m_links.clear();
    m_dataSet = dataSet;
    if (dataSet) {
        m_links << connect(dataSet, &DataSet::stateChanged, this, &DataSource::stateChanged);
        m_links << connect(dataSet, &DataSet::dataChanged, this, &DataSource::dataChanged);
        m_links << connect(dataSet, &DataSet::aboutToPost, this, &DataSource::updateData);
        m_links << connect(dataSet, &QObject::destroyed, this, [this] {
            for (const auto &c : m_links)
                disconnect(c);
            m_links.clear();
            m_dataSet = nullptr;
            emit dataSetChanged(nullptr);
        });
    }
    emit dataSetChanged(dataSet);
}

// ------------------------------------------------------------ DataNavigator

DataNavigator::DataNavigator(QObject *parent) : QObject(parent) {}

void DataNavigator::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::dataSetChanged, this, &DataNavigator::statesChanged);
        connect(source, &DataSource::stateChanged, this, &DataNavigator::statesChanged);
        connect(source, &DataSource::dataChanged, this, &DataNavigator::statesChanged);
        connect(source, &QObject::destroyed, this, &DataNavigator::statesChanged);
    }
    emit statesChanged();
}

bool DataNavigator::isEnabled(Button button) const
{
    DataSet *ds = m_source ? m_source->dataSet() : nullptr;
    if (!ds || !ds->isActive())
        return false;
    const bool modify = ds->canModify();
    switch (button) {
    case First:
    case Prior: return !ds->bof();
    case Next:
    case Last: return !ds->eof();
    // Re-reading changes nothing, so a read-only result (the log) may be refreshed too.
    case Refresh: return true;
    case Insert: return modify;
    case Delete: return modify && !ds->isEmpty();
    case Edit: return modify && !ds->isEditing();
    case Post:
    case Cancel: return modify && ds->isEditing();
    }
    return false;
}

void DataNavigator::press(Button button)
{
    if (!m_source || !m_source->dataSet() || !m_source->dataSet()->isActive() || !isEnabled(button))
        return;
    emit aboutToPress(button);
    // The press may have given the source another data set (a search window
    // opening a management window): act on the one it holds now.
    DataSet *ds = m_source ? m_source->dataSet() : nullptr;
    if (!ds || !ds->isActive())
        return;
    switch (button) {
    case First: ds->first(); break;
    case Prior: ds->prior(); break;
    case Next: ds->next(); break;
    case Last: ds->last(); break;
    case Insert: ds->append(); break;
    case Delete:
        if (Messages::confirm(tr("确定要删除记录吗？"), Messages::Icon::Question))
            ds->remove();
        break;
    case Edit: ds->edit(); break;
    case Post: ds->post(); break;
    case Cancel: ds->cancel(); break;
    case Refresh: ds->refresh(); break;
    }
    emit statesChanged();
}

} // namespace brel
