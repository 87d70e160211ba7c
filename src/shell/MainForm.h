#pragma once

#include <QMainWindow>

namespace brel {

/// The main window. Its object name "Brelvanto" is the window class of the
/// program. On its first show it chooses and opens the working data file;
/// closing asks the exit question when somebody is logged in and stores the
/// working file for the next start.
class TMainFm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainFm(QWidget *parent = nullptr);
    ~TMainFm() override;

    /// The file to open at start: the previous run's file once the login
    /// dialog has been shown on this machine, else the sample data file.
    static QString InitialWorkingFile();
    /// Start-up with a chosen file: a missing file leaves the window without
    /// a working file; otherwise the file is opened, and a cancelled or
    /// refused login closes the window. Runs once, after the first show.
    void OpenInitialWorkingFile();

    /// Set while the program is stepped away from (暂时离开).
    bool AwayMode = false;

signals:
    /// After the start-up file was opened and somebody logged in.
    void workingFileOpened();
    /// Start-up found no file at WorkingFile.
    void workingFileMissing();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_shownOnce = false;
};

} // namespace brel
