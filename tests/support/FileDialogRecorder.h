#pragma once

#include "base/FileDialogs.h"

#include <QFileInfo>
#include <QList>
#include <QQueue>

namespace brel::test {

/// Captures every file dialog and answers from a script; an unscripted
/// dialog is cancelled. Installed for its lifetime.
class FileDialogRecorder : public FileDialogs::Handler {
public:
    FileDialogRecorder() { m_previous = FileDialogs::setHandler(this); }
    ~FileDialogRecorder() override { FileDialogs::setHandler(m_previous); }

    FileDialogs::Result ask(const FileDialogs::Request &request) override
    {
        requests.append(request);
        if (answers.isEmpty())
            return {};
        FileDialogs::Result r = answers.dequeue();
        if (r.accepted && r.filterIndex < 0) {
            // Like a user who types "x.htm": the type follows the suffix.
            r.filterIndex = 0;
            const QString pattern = QStringLiteral("*.") + QFileInfo(r.fileName).suffix();
            for (int i = 0; i < request.filters.size(); ++i)
                if (request.filters.at(i).contains(pattern, Qt::CaseInsensitive))
                    r.filterIndex = i;
        }
        return r;
    }

    /// The next dialog returns fileName with the file type at filterIndex
    /// (-1: the type whose pattern matches the name's suffix, else the first).
    void setNextFileName(const QString &fileName, int filterIndex = -1)
    {
        answers.enqueue({true, fileName, filterIndex});
    }
    /// The next dialog is cancelled.
    void setNextCancel() { answers.enqueue({}); }

    QString lastCaption() const { return requests.isEmpty() ? QString() : requests.last().caption; }
    void clear() { requests.clear(); answers.clear(); }

    QList<FileDialogs::Request> requests;
    QQueue<FileDialogs::Result> answers;

private:
    FileDialogs::Handler *m_previous = nullptr;
};

} // namespace brel::test
