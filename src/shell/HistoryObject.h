#pragma once

#include "datastore/Engine.h"

#include <QList>

namespace brel {

/// The statements a search window has run, oldest first, behind the main
/// window's 前进 (step older) and 后退 (step newer) buttons.
///
/// A step may leave the position one beyond either end. That press keeps the
/// current statement (the window runs it again unchanged) and disables its
/// button; the first press of the other button then brings back the same
/// entry. So each button stays enabled until it has been pressed once past
/// the end of the list.
class THistoryObject {
public:
    /// The list never holds more entries than this; a push drops the oldest.
    static constexpr int MaxEntries = 10;

    struct Entry {
        Sql statement; ///< kept as a value: text with placeholders and its bound values
        qint64 id = 0; ///< the row that was current when the window left it
    };

    /// Adds a newest entry and makes it current, also when an older entry was
    /// current: older entries are only ever dropped by the limit.
    void Push(qint64 id, const Sql &statement);
    /// Stores id on the current entry; nothing when the position lies past an
    /// end. CurrentId() itself stays.
    void SetCurrentId(qint64 id);
    /// The id stored on the current entry (also remembered as CurrentId());
    /// past an end, the last CurrentId().
    qint64 GetCurrentId();
    /// Replaces the current entry's statement (a re-sort); nothing when the
    /// position lies past an end.
    void ReplaceCurrent(const Sql &statement);
    /// 前进: one entry older.
    void StepOlder();
    /// 后退: one entry newer.
    void StepNewer();

    /// Statement of the current entry; what the search window runs after a step.
    const Sql &Current() const { return m_current; }
    qint64 CurrentId() const { return m_currentId; }
    /// Enables 前进.
    bool CanStepOlder() const { return m_canStepOlder; }
    /// Enables 后退.
    bool CanStepNewer() const { return m_canStepNewer; }
    const QList<Entry> &Entries() const { return m_entries; }

private:
    bool validIndex() const { return m_entryIndex >= 0 && m_entryIndex < m_entries.size(); }

    QList<Entry> m_entries;
    /// From -1 (before the oldest) to Entries().size() (after the newest).
    qsizetype m_entryIndex = 0;
    Sql m_current;
    qint64 m_currentId = 0;
    bool m_canStepOlder = false;
    bool m_canStepNewer = false;
};

} // namespace brel
