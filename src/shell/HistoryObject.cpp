#include "shell/HistoryObject.h"

namespace brel {

void THistoryObject::Push(qint64 id, const Sql &statement)
{
    if (m_entries.size() >= MaxEntries)
        m_entries.removeFirst();
    // The new entry carries its id itself: a step taken on the empty list can
    // leave the position past an end, and the id must not be lost then.
    m_entries.append(Entry{statement, id});
    m_current = statement;
    // The first entry keeps the position and the buttons as they were: both
    // buttons stay off until there is a second statement to step to.
    if (m_entries.size() > 1) {
        m_entryIndex = m_entries.size() - 1;
        m_canStepNewer = false;
        m_canStepOlder = true;
    }
    m_currentId = id;
}

void THistoryObject::SetCurrentId(qint64 id)
{
    if (validIndex())
        m_entries[m_entryIndex].id = id;
}

qint64 THistoryObject::GetCurrentId()
{
    if (validIndex())
        m_currentId = m_entries[m_entryIndex].id;
    return m_currentId;
}

void THistoryObject::ReplaceCurrent(const Sql &statement)
{
    if (!validIndex())
        return;
    m_entries[m_entryIndex].statement = statement;
    m_current = statement;
}

void THistoryObject::StepOlder()
{
    // Never further than one beyond the end: a press there changes nothing
    // but the buttons, so one press of the other button always comes back.
    m_entryIndex = qMax<qsizetype>(m_entryIndex - 1, -1);
    if (m_entryIndex < 0) {
        m_canStepOlder = false;
    } else {
        m_canStepOlder = true;
        m_current = m_entries[m_entryIndex].statement;
        m_currentId = m_entries[m_entryIndex].id;
    }
    m_canStepNewer = true;
}

void THistoryObject::StepNewer()
{
    m_entryIndex = qMin(m_entryIndex + 1, m_entries.size());
    if (m_entryIndex >= m_entries.size()) {
        m_canStepNewer = false;
    } else {
        m_canStepNewer = true;
        m_current = m_entries[m_entryIndex].statement;
        m_currentId = m_entries[m_entryIndex].id;
    }
    m_canStepOlder = true;
}

} // namespace brel
